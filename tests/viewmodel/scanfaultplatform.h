// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The in-memory library with a scan fetch that can fail, and that counts the batch requests:
// the service asks the fetch for its count once when the scan begins and once per batch.

#include "library/photolibraryerror.h"
#include "library/platform/memory/memoryplatform.h"

#include <atomic>
#include <exception>

namespace orsenta::test {

class ScanFaultPlatform final : public platform::PhotoPlatform {
public:
    explicit ScanFaultPlatform(std::shared_ptr<platform::MemoryPlatform> memory)
        : inner(std::move(memory)) {}

    const std::shared_ptr<platform::MemoryPlatform> inner;
    // Thrown by the fetch's count when `failFrom` is negative, else when reading that index or
    // a later one.
    std::exception_ptr failure;
    std::int64_t failFrom = -1;
    std::atomic<int> countQueries{0};

    int batchRequests() const { return countQueries - 1; }

    platform::AuthorizationStatus authorizationStatus() const override {
        return inner->authorizationStatus();
    }
    void requestAuthorization(std::function<void(platform::AuthorizationStatus)> h) override {
        inner->requestAuthorization(std::move(h));
    }
    bool resourceDataSizesAvailable() const override { return inner->resourceDataSizesAvailable(); }
    void loadOptionalExtensions() override { inner->loadOptionalExtensions(); }
    platform::FetchOptions makeFetchOptions() override { return inner->makeFetchOptions(); }
    std::unique_ptr<platform::AssetFetchResult>
    fetchVideoAssets(const platform::FetchOptions &options) override {
        return std::make_unique<Fetch>(*this, inner->fetchVideoAssets(options));
    }
    std::unique_ptr<platform::AssetFetchResult> fetchAssets(const QStringList &ids) override {
        return inner->fetchAssets(ids);
    }
    std::vector<platform::AssetResource> assetResources(const platform::AssetPtr &a) override {
        return inner->assetResources(a);
    }
    void writeResourceData(const platform::AssetResource &resource, const QString &path,
                           const platform::ResourceRequestOptions &options,
                           platform::WriteCompletion completion) override {
        inner->writeResourceData(resource, path, options, std::move(completion));
    }
    platform::ImageManager &defaultImageManager() override { return inner->defaultImageManager(); }
    std::unique_ptr<platform::ImageManager> makeCachingImageManager() override {
        return inner->makeCachingImageManager();
    }
    void performChanges(platform::ChangeRequest request,
                        platform::ChangeCompletion completion) override {
        inner->performChanges(std::move(request), std::move(completion));
    }
    platform::ObserverId registerChangeObserver(std::function<void()> onChange) override {
        return inner->registerChangeObserver(std::move(onChange));
    }
    void unregisterChangeObserver(platform::ObserverId observer) override {
        inner->unregisterChangeObserver(observer);
    }
    platform::ContentDigests
    checkContent(const std::vector<QStringList> &groups,
                 const std::function<void(platform::ContentCheckProgress)> &progress,
                 std::stop_token cancellation) override {
        return inner->checkContent(groups, progress, std::move(cancellation));
    }
    platform::LibraryTrash libraryTrash() const override { return inner->libraryTrash(); }
    bool canRestoreLastDeletion() const override { return inner->canRestoreLastDeletion(); }
    platform::RestoreOutcome restoreLastDeletion() override { return inner->restoreLastDeletion(); }

private:
    class Fetch final : public platform::AssetFetchResult {
    public:
        Fetch(ScanFaultPlatform &owner, std::unique_ptr<platform::AssetFetchResult> fetch)
            : m_owner(owner)
            , m_fetch(std::move(fetch)) {}
        std::int64_t count() const override {
            ++m_owner.countQueries;
            if (m_owner.failure && m_owner.failFrom < 0)
                std::rethrow_exception(m_owner.failure);
            return m_fetch->count();
        }
        platform::AssetPtr at(std::int64_t index) const override {
            if (m_owner.failure && m_owner.failFrom >= 0 && index >= m_owner.failFrom)
                std::rethrow_exception(m_owner.failure);
            return m_fetch->at(index);
        }

    private:
        ScanFaultPlatform &m_owner;
        std::unique_ptr<platform::AssetFetchResult> m_fetch;
    };
};

} // namespace orsenta::test
