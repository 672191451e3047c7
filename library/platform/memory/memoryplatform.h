// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo library held in memory, for tests and benchmarks. Everything the service relies on can
// be scripted: the content, the authorization, the optional members, the results and errors of
// each request, and when and on which thread each handler runs.
//
// Every member is safe to call from any thread, including from inside a handler.

#include "library/platform/photoplatform.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QStringList>

#include <climits>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace orsenta::platform {

struct MemoryAsset {
    PlatformAsset asset;
    std::vector<AssetResource> resources;
    std::optional<MediaAsset> media;
    std::optional<PlatformError> mediaError;
    std::optional<QImage> image;
    std::optional<PlatformError> imageError;
    QByteArray resourceData; // what writeResourceData writes for any of the asset's resources
};

class MemoryPlatform final : public PhotoPlatform {
public:
    // When handlers and completions run: before the request returns, on a thread of their own,
    // not until releaseHeld(), so that a test can look at the state in between and choose the
    // order, or never: the handler is destroyed uncalled, as a library that loses a request does.
    enum class Delivery { immediate, otherThread, held, never };

    struct Counters {
        int authorizationRequests = 0;
        int videoFetches = 0;
        int identifierFetches = 0;
        int resourceListings = 0;
        int imageRequests = 0;        // through the default image manager
        int cachingImageRequests = 0; // through every caching image manager together
        int mediaRequests = 0;
        int changeRequests = 0;
        int writes = 0;
        int extensionLoads = 0;
        int inFlight = 0; // media, image, change and write requests not yet finally answered
        int maxInFlight = 0;
        int contentChecks = 0;
        std::int64_t contentBytesRead = 0;
    };

    struct ImageRequestRecord {
        QString localIdentifier;
        double targetWidth = 0;
        double targetHeight = 0;
        ContentMode contentMode = ContentMode::aspectFit;
        ImageRequestOptions options;
        bool caching = false;
    };
    struct MediaRequestRecord {
        QString localIdentifier;
        VideoRequestOptions options;
    };
    struct WriteRequestRecord {
        AssetResource resource;
        QString destinationPath;
        ResourceRequestOptions options;
    };

    MemoryPlatform();
    // Joins every thread that delivers handlers; held handlers are dropped uncalled.
    ~MemoryPlatform() override;
    MemoryPlatform(const MemoryPlatform &) = delete;
    MemoryPlatform &operator=(const MemoryPlatform &) = delete;

    // --- Content: newest first, assets without a date last, ties in the order they were added.
    // Adding an identifier the library holds replaces that asset.
    void addAsset(MemoryAsset asset);
    bool removeAsset(const QString &localIdentifier);
    bool contains(const QString &localIdentifier) const;
    bool isFavorite(const QString &localIdentifier) const;
    int assetCount() const;

    // --- Scripting
    void setAuthorizationStatus(AuthorizationStatus status) { assign(m_status, status); }
    // What requestAuthorization hands over; the status becomes it just before the handler runs.
    void setStatusAfterRequest(AuthorizationStatus status) { assign(m_statusAfterRequest, status); }
    void setResourceDataSizesAvailable(bool available) {
        assign(m_resourceDataSizesAvailable, available);
    }
    // The addFetchPropertySets member offered by makeFetchOptions(), or none. A member without
    // `invoke` gets one that records its argument.
    void setFetchPropertySetsMember(std::optional<MethodMember> member) {
        assign(m_fetchPropertySetsMember, std::move(member));
    }
    // One entry per call of the setter; an argument that is not a string list records an empty one.
    QList<QStringList> fetchPropertySetsRequested() const {
        return read(m_fetchPropertySetsRequested);
    }

    // Each request takes the settings in force, and the asset's result, when it is made; a
    // change or a write lands when its completion is delivered.
    void setDelivery(Delivery delivery) { assign(m_delivery, delivery); }
    void setDuplicateCallbacks(bool duplicate) { assign(m_duplicateCallbacks, duplicate); }
    void setDegradedFirst(bool degradedFirst) { assign(m_degradedFirst, degradedFirst); }
    // A cancelled request that has not been delivered yet calls its handler with `cancelled`, or,
    // when silent, not at all.
    void setSilentCancellation(bool silent) { assign(m_silentCancellation, silent); }
    // One-shot: the result of the next performChanges.
    void setNextChangeResult(bool success, std::optional<PlatformError> error = std::nullopt,
                             std::optional<QStringList> deleted = std::nullopt);
    // One-shot: the next writeResourceData fails with `error` and writes nothing.
    void setNextWriteError(PlatformError error) {
        assign(m_nextWriteError, std::optional(std::move(error)));
    }
    // While held, content checks wait before they read anything, so that a test can act while
    // one runs; releasing lets every waiting check go on.
    void holdContentChecks(bool hold);
    // What libraryCondition() tells from now on.
    void setLibraryCondition(LibraryCondition condition) {
        assign(m_condition, std::move(condition));
    }

    // Runs the oldest held deliveries on the calling thread; deliveries held meanwhile by the
    // handlers wait for the next call. Returns how many ran.
    int releaseHeld(int maxCount = INT_MAX);
    int heldCount() const;

    // Calls every registered observer on the calling thread.
    void notifyChange();
    int observerCount() const;

    // Identifiers of the last performChanges, whatever its result.
    QStringList lastDeletionRequest() const { return read(m_lastDeletionRequest); }
    std::vector<std::pair<QString, bool>> lastFavoriteRequest() const {
        return read(m_lastFavoriteRequest);
    }

    std::vector<ImageRequestRecord> imageRequestLog() const { return read(m_imageRequestLog); }
    std::vector<MediaRequestRecord> mediaRequestLog() const { return read(m_mediaRequestLog); }
    std::vector<WriteRequestRecord> writeRequestLog() const { return read(m_writeRequestLog); }
    Counters counters() const { return read(m_counters); }
    // Zeroes the counters and empties the logs; requests still in flight stay counted.
    void resetCounters();

    // --- PhotoPlatform
    AuthorizationStatus authorizationStatus() const override { return read(m_status); }
    void requestAuthorization(std::function<void(AuthorizationStatus)> handler) override;
    bool resourceDataSizesAvailable() const override { return read(m_resourceDataSizesAvailable); }
    void loadOptionalExtensions() override;
    // The options' setter refers to this platform: they must not outlive it.
    FetchOptions makeFetchOptions() override;
    std::unique_ptr<AssetFetchResult> fetchVideoAssets(const FetchOptions &options) override;
    std::unique_ptr<AssetFetchResult> fetchAssets(const QStringList &identifiers) override;
    std::vector<AssetResource> assetResources(const AssetPtr &asset) override;
    void writeResourceData(const AssetResource &resource, const QString &destinationPath,
                           const ResourceRequestOptions &options,
                           WriteCompletion completion) override;
    ImageManager &defaultImageManager() override;
    // The manager refers to this platform: it must not outlive it.
    std::unique_ptr<ImageManager> makeCachingImageManager() override;
    void performChanges(ChangeRequest request, ChangeCompletion completion) override;
    ObserverId registerChangeObserver(std::function<void()> onChange) override;
    void unregisterChangeObserver(ObserverId observer) override;
    LibraryCondition libraryCondition() const override { return read(m_condition); }
    // Two videos hold the same bytes when their sizes and `resourceData` are equal.
    ContentDigests checkContent(const std::vector<QStringList> &sizeGroups,
                                const std::function<void(ContentCheckProgress)> &progress,
                                std::stop_token cancellation) override;
    // Every video deleted so far, counted by its freed bytes (else its size).
    LibraryTrash libraryTrash() const override;
    bool canRestoreLastDeletion() const override;
    // Adds the last deletion's assets back, but for those whose identifier is taken again.
    RestoreOutcome restoreLastDeletion() override;

private:
    class Manager;
    struct Entry {
        AssetPtr asset;
        MemoryAsset content; // `content.asset` is moved into `asset`
        std::uint64_t sequence = 0;
    };
    struct Order {
        bool operator()(const Entry *a, const Entry *b) const;
    };
    struct Plan {
        Delivery delivery;
        int repeats;
    };
    enum class Cancellation { none, reported, silent };

    RequestId requestImage(bool caching, const AssetPtr &asset, double targetWidth,
                           double targetHeight, ContentMode contentMode,
                           const ImageRequestOptions &options, ImageHandler handler);
    void cancelImageRequest(RequestId request);
    void requestMedia(const AssetPtr &asset, const VideoRequestOptions &options,
                      MediaHandler handler);

    template <typename T>
    T read(const T &field) const {
        std::lock_guard lock(m_mutex);
        return field;
    }
    template <typename T>
    void assign(T &field, T value) {
        std::lock_guard lock(m_mutex);
        field = std::move(value);
    }
    const Entry *findLocked(const QString &localIdentifier) const;
    Plan planLocked(bool inFlight);
    void dispatch(Delivery delivery, bool inFlight, std::function<void()> job);
    void startThread(std::function<void()> job);

    mutable std::mutex m_mutex;
    std::map<QString, Entry> m_entries;
    std::set<const Entry *, Order> m_order;
    std::uint64_t m_nextSequence = 0;

    AuthorizationStatus m_status = AuthorizationStatus::authorized;
    AuthorizationStatus m_statusAfterRequest = AuthorizationStatus::authorized;
    LibraryCondition m_condition;
    bool m_resourceDataSizesAvailable = false;
    std::optional<MethodMember> m_fetchPropertySetsMember;
    QList<QStringList> m_fetchPropertySetsRequested;

    Delivery m_delivery = Delivery::immediate;
    bool m_duplicateCallbacks = false;
    bool m_degradedFirst = false;
    bool m_silentCancellation = false;
    std::optional<ChangeOutcome> m_nextChangeResult;
    std::optional<PlatformError> m_nextWriteError;

    std::deque<std::function<void()>> m_held;
    std::map<std::thread::id, std::thread> m_threads;
    std::vector<std::thread::id> m_finishedThreads;
    std::map<RequestId, Cancellation> m_pendingImages;
    RequestId m_nextRequestId = 1;

    std::map<ObserverId, std::function<void()>> m_observers;
    ObserverId m_nextObserverId = 1;

    QStringList m_lastDeletionRequest;
    bool m_holdContentChecks = false;
    std::condition_variable m_contentChecksReleased;
    std::vector<MemoryAsset> m_trash;        // every asset deleted, as it was
    std::vector<MemoryAsset> m_lastDeletion; // those of the last change that deleted any
    std::vector<std::pair<QString, bool>> m_lastFavoriteRequest;
    std::vector<ImageRequestRecord> m_imageRequestLog;
    std::vector<MediaRequestRecord> m_mediaRequestLog;
    std::vector<WriteRequestRecord> m_writeRequestLog;
    Counters m_counters;

    std::unique_ptr<Manager> m_defaultManager;
};

} // namespace orsenta::platform
