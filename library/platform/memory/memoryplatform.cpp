// SPDX-License-Identifier: GPL-3.0-or-later
#include "memoryplatform.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>

namespace orsenta::platform {

namespace {

const QString errorDomain = QStringLiteral("org.orsenta.memoryplatform");

// Holds its own copy of the assets, so later changes to the library never reach it.
class Snapshot final : public AssetFetchResult {
public:
    explicit Snapshot(std::vector<AssetPtr> assets)
        : m_assets(std::move(assets)) {}
    std::int64_t count() const override { return std::int64_t(m_assets.size()); }
    AssetPtr at(std::int64_t index) const override {
        return index >= 0 && index < count() ? m_assets[std::size_t(index)] : nullptr;
    }

private:
    std::vector<AssetPtr> m_assets;
};

PlatformError missingAsset(const QString &localIdentifier) {
    return {errorDomain, 1,
            QStringLiteral("The library no longer contains the asset %1.").arg(localIdentifier)};
}

// Writes `data` to a file that must not exist yet; a partly written file is removed again.
std::optional<PlatformError> writeNewFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFile::exists(path))
            return PlatformError{errorDomain, 2,
                                 QStringLiteral("The file “%1” already exists.").arg(path)};
        return PlatformError{
            errorDomain, 3,
            QStringLiteral("The file “%1” could not be created: %2").arg(path, file.errorString())};
    }
    if (file.write(data) != data.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        file.remove();
        return PlatformError{
            errorDomain, 4,
            QStringLiteral("The file “%1” could not be written: %2").arg(path, reason)};
    }
    return std::nullopt;
}

} // namespace

class MemoryPlatform::Manager final : public ImageManager {
public:
    Manager(MemoryPlatform &platform, bool caching)
        : m_platform(platform)
        , m_caching(caching) {}

    RequestId requestImage(const AssetPtr &asset, double targetWidth, double targetHeight,
                           ContentMode contentMode, const ImageRequestOptions &options,
                           ImageHandler handler) override {
        return m_platform.requestImage(m_caching, asset, targetWidth, targetHeight, contentMode,
                                       options, std::move(handler));
    }
    void cancelImageRequest(RequestId request) override { m_platform.cancelImageRequest(request); }
    void requestMedia(const AssetPtr &asset, const VideoRequestOptions &options,
                      MediaHandler handler) override {
        m_platform.requestMedia(asset, options, std::move(handler));
    }

private:
    MemoryPlatform &m_platform;
    bool m_caching;
};

bool MemoryPlatform::Order::operator()(const Entry *a, const Entry *b) const {
    const auto &dateA = a->asset->creationDate;
    const auto &dateB = b->asset->creationDate;
    if (dateA.has_value() != dateB.has_value())
        return dateA.has_value();
    if (dateA && *dateA != *dateB)
        return *dateA > *dateB;
    return a->sequence < b->sequence;
}

MemoryPlatform::MemoryPlatform()
    : m_fetchPropertySetsMember(MethodMember{})
    , m_defaultManager(std::make_unique<Manager>(*this, false)) {}

MemoryPlatform::~MemoryPlatform() {
    // A delivery thread's handler may start further threads while we join, so repeat until none.
    for (;;) {
        std::map<std::thread::id, std::thread> threads;
        {
            std::lock_guard lock(m_mutex);
            threads.swap(m_threads);
            m_finishedThreads.clear();
        }
        if (threads.empty())
            break;
        for (auto &[id, thread] : threads)
            thread.join();
    }
}

// --- Content

void MemoryPlatform::addAsset(MemoryAsset asset) {
    std::lock_guard lock(m_mutex);
    if (const auto old = m_entries.find(asset.asset.localIdentifier); old != m_entries.end()) {
        m_order.erase(&old->second);
        m_entries.erase(old);
    }
    const QString id = asset.asset.localIdentifier;
    Entry &entry = m_entries[id];
    entry.asset = std::make_shared<const PlatformAsset>(std::move(asset.asset));
    entry.content = std::move(asset);
    entry.sequence = m_nextSequence++;
    m_order.insert(&entry);
}

bool MemoryPlatform::removeAsset(const QString &localIdentifier) {
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(localIdentifier);
    if (it == m_entries.end())
        return false;
    m_order.erase(&it->second);
    m_entries.erase(it);
    return true;
}

bool MemoryPlatform::contains(const QString &localIdentifier) const {
    std::lock_guard lock(m_mutex);
    return findLocked(localIdentifier) != nullptr;
}

bool MemoryPlatform::isFavorite(const QString &localIdentifier) const {
    std::lock_guard lock(m_mutex);
    const Entry *entry = findLocked(localIdentifier);
    return entry && entry->asset->isFavorite;
}

int MemoryPlatform::assetCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}

const MemoryPlatform::Entry *MemoryPlatform::findLocked(const QString &localIdentifier) const {
    const auto it = m_entries.find(localIdentifier);
    return it == m_entries.end() ? nullptr : &it->second;
}

// --- Scripting

void MemoryPlatform::setNextChangeResult(bool success, std::optional<PlatformError> error,
                                         std::optional<QStringList> deleted) {
    std::lock_guard lock(m_mutex);
    m_nextChangeResult = ChangeOutcome{success, std::move(error), std::move(deleted)};
}

int MemoryPlatform::releaseHeld(int maxCount) {
    std::vector<std::function<void()>> jobs;
    {
        std::lock_guard lock(m_mutex);
        while (!m_held.empty() && int(jobs.size()) < maxCount) {
            jobs.push_back(std::move(m_held.front()));
            m_held.pop_front();
        }
    }
    for (auto &job : jobs)
        job();
    return int(jobs.size());
}

int MemoryPlatform::heldCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_held.size());
}

void MemoryPlatform::notifyChange() {
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(m_mutex);
        for (const auto &[id, onChange] : m_observers)
            observers.push_back(onChange);
    }
    for (const auto &onChange : observers)
        onChange();
}

int MemoryPlatform::observerCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_observers.size());
}

void MemoryPlatform::resetCounters() {
    std::lock_guard lock(m_mutex);
    const int inFlight = m_counters.inFlight;
    m_counters = Counters{};
    m_counters.inFlight = inFlight;
    m_counters.maxInFlight = inFlight;
    m_imageRequestLog.clear();
    m_mediaRequestLog.clear();
    m_writeRequestLog.clear();
}

// --- Delivery

MemoryPlatform::Plan MemoryPlatform::planLocked(bool inFlight) {
    if (inFlight) {
        ++m_counters.inFlight;
        m_counters.maxInFlight = std::max(m_counters.maxInFlight, m_counters.inFlight);
    }
    return {m_delivery, m_duplicateCallbacks ? 2 : 1};
}

// Must be called without the mutex: an immediate job calls its handlers right here.
void MemoryPlatform::dispatch(Delivery delivery, bool inFlight, std::function<void()> job) {
    // The request counts as answered once its answer is being handed over: the caller may
    // resume inside the handler and make its next request before the handler returns.
    auto run = [this, inFlight, job = std::move(job)] {
        if (inFlight) {
            std::lock_guard lock(m_mutex);
            --m_counters.inFlight;
        }
        job();
    };
    switch (delivery) {
    case Delivery::immediate:
        run();
        break;
    case Delivery::held: {
        std::lock_guard lock(m_mutex);
        m_held.push_back(std::move(run));
        break;
    }
    case Delivery::otherThread:
        startThread(std::move(run));
        break;
    case Delivery::never:
        if (inFlight) {
            std::lock_guard lock(m_mutex);
            --m_counters.inFlight;
        }
        break;
    }
}

// A thread per delivery, rather than a pool, guarantees a thread other than the caller's even
// when the caller is itself a delivery thread. Finished threads are joined on the next start.
void MemoryPlatform::startThread(std::function<void()> job) {
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(m_mutex);
        for (const auto id : m_finishedThreads) {
            if (auto node = m_threads.extract(id))
                finished.push_back(std::move(node.mapped()));
        }
        m_finishedThreads.clear();
        // The thread cannot report itself finished before it is registered: that needs the lock.
        std::thread thread([this, job = std::move(job)] {
            job();
            std::lock_guard lock(m_mutex);
            m_finishedThreads.push_back(std::this_thread::get_id());
        });
        const auto id = thread.get_id();
        m_threads.emplace(id, std::move(thread));
    }
    for (auto &thread : finished)
        thread.join();
}

// --- PhotoPlatform

void MemoryPlatform::requestAuthorization(std::function<void(AuthorizationStatus)> handler) {
    Plan plan;
    AuthorizationStatus status;
    {
        std::lock_guard lock(m_mutex);
        ++m_counters.authorizationRequests;
        status = m_statusAfterRequest;
        plan = planLocked(false);
    }
    dispatch(plan.delivery, false, [this, plan, status, handler = std::move(handler)] {
        {
            std::lock_guard lock(m_mutex);
            m_status = status;
        }
        for (int i = 0; i < plan.repeats; ++i)
            handler(status);
    });
}

void MemoryPlatform::loadOptionalExtensions() {
    std::lock_guard lock(m_mutex);
    ++m_counters.extensionLoads;
}

FetchOptions MemoryPlatform::makeFetchOptions() {
    std::lock_guard lock(m_mutex);
    FetchOptions options;
    if (m_fetchPropertySetsMember) {
        MethodMember member = *m_fetchPropertySetsMember;
        if (!member.invoke) {
            member.invoke = [this](const ObjectValue &argument) {
                const auto *sets = std::get_if<QStringList>(&argument);
                std::lock_guard lock(m_mutex);
                m_fetchPropertySetsRequested.append(sets ? *sets : QStringList());
            };
        }
        options.members.set(members::addFetchPropertySets, std::move(member));
    }
    return options;
}

// The library holds videos only, so the options select nothing further.
std::unique_ptr<AssetFetchResult> MemoryPlatform::fetchVideoAssets(const FetchOptions &) {
    std::vector<AssetPtr> assets;
    std::lock_guard lock(m_mutex);
    ++m_counters.videoFetches;
    assets.reserve(m_order.size());
    for (const Entry *entry : m_order)
        assets.push_back(entry->asset);
    return std::make_unique<Snapshot>(std::move(assets));
}

std::unique_ptr<AssetFetchResult> MemoryPlatform::fetchAssets(const QStringList &identifiers) {
    std::lock_guard lock(m_mutex);
    ++m_counters.identifierFetches;
    std::set<const Entry *, Order> found;
    for (const QString &id : identifiers) {
        if (const Entry *entry = findLocked(id))
            found.insert(entry);
    }
    std::vector<AssetPtr> assets;
    for (const Entry *entry : found)
        assets.push_back(entry->asset);
    return std::make_unique<Snapshot>(std::move(assets));
}

std::vector<AssetResource> MemoryPlatform::assetResources(const AssetPtr &asset) {
    std::lock_guard lock(m_mutex);
    ++m_counters.resourceListings;
    const Entry *entry = asset ? findLocked(asset->localIdentifier) : nullptr;
    if (!entry)
        return {};
    auto resources = entry->content.resources;
    if (!m_resourceDataSizesAvailable) {
        for (auto &resource : resources)
            resource.dataSize.reset();
    }
    return resources;
}

void MemoryPlatform::writeResourceData(const AssetResource &resource,
                                       const QString &destinationPath,
                                       const ResourceRequestOptions &options,
                                       WriteCompletion completion) {
    Plan plan;
    std::optional<PlatformError> error;
    QByteArray data;
    {
        std::lock_guard lock(m_mutex);
        ++m_counters.writes;
        m_writeRequestLog.push_back({resource, destinationPath, options});
        error = std::exchange(m_nextWriteError, std::nullopt);
        if (const Entry *entry = findLocked(resource.assetLocalIdentifier))
            data = entry->content.resourceData;
        else if (!error)
            error = missingAsset(resource.assetLocalIdentifier);
        plan = planLocked(true);
    }
    dispatch(plan.delivery, true,
             [plan, error, data, destinationPath, completion = std::move(completion)] {
                 const auto result = error ? error : writeNewFile(destinationPath, data);
                 for (int i = 0; i < plan.repeats; ++i)
                     completion(result);
             });
}

ImageManager &MemoryPlatform::defaultImageManager() {
    return *m_defaultManager;
}

std::unique_ptr<ImageManager> MemoryPlatform::makeCachingImageManager() {
    return std::make_unique<Manager>(*this, true);
}

void MemoryPlatform::performChanges(ChangeRequest request, ChangeCompletion completion) {
    Plan plan;
    ChangeOutcome outcome{true, std::nullopt, std::nullopt};
    QStringList deletions;
    for (const auto &asset : request.deletions)
        deletions.append(asset->localIdentifier);
    std::vector<std::pair<QString, bool>> favorites;
    for (const auto &[asset, favorite] : request.favorites)
        favorites.emplace_back(asset->localIdentifier, favorite);
    {
        std::lock_guard lock(m_mutex);
        ++m_counters.changeRequests;
        m_lastDeletionRequest = deletions;
        m_lastFavoriteRequest = favorites;
        if (m_nextChangeResult)
            outcome = *std::exchange(m_nextChangeResult, std::nullopt);
        plan = planLocked(true);
    }
    // The change lands when the completion is delivered, as a real library finishes its work
    // before it reports back.
    dispatch(plan.delivery, true,
             [this, plan, outcome, deletions = std::move(deletions),
              favorites = std::move(favorites), completion = std::move(completion)] {
                 if (outcome.success) {
                     std::lock_guard lock(m_mutex);
                     std::vector<MemoryAsset> moved;
                     for (const QString &id : outcome.deleted.value_or(deletions)) {
                         if (const auto it = m_entries.find(id); it != m_entries.end()) {
                             MemoryAsset asset = it->second.content;
                             asset.asset = *it->second.asset;
                             moved.push_back(std::move(asset));
                             m_order.erase(&it->second);
                             m_entries.erase(it);
                         }
                     }
                     if (!moved.empty()) {
                         m_trash.insert(m_trash.end(), moved.begin(), moved.end());
                         m_lastDeletion = std::move(moved);
                     }
                     for (const auto &[id, favorite] : favorites) {
                         if (const auto it = m_entries.find(id); it != m_entries.end()) {
                             auto changed = std::make_shared<PlatformAsset>(*it->second.asset);
                             changed->isFavorite = favorite;
                             it->second.asset = std::move(changed);
                         }
                     }
                 }
                 for (int i = 0; i < plan.repeats; ++i)
                     completion(outcome);
             });
}

namespace {

// The size the library reports, else the resource's bytes.
std::int64_t sizeOf(const MemoryAsset &asset) {
    const Member *member = asset.asset.members.find(members::fileSize);
    if (const auto *number = member ? std::get_if<SignedMember>(member) : nullptr)
        return number->value;
    if (const auto *number = member ? std::get_if<UnsignedMember>(member) : nullptr)
        return std::int64_t(number->value);
    return asset.resourceData.size();
}

} // namespace

ContentDigests
MemoryPlatform::checkContent(const std::vector<QStringList> &sizeGroups,
                             const std::function<void(ContentCheckProgress)> &progress,
                             std::stop_token cancellation) {
    std::vector<std::vector<std::pair<QString, QByteArray>>> contents;
    ContentCheckProgress done;
    {
        std::unique_lock lock(m_mutex);
        ++m_counters.contentChecks;
        m_contentChecksReleased.wait(lock, [this] { return !m_holdContentChecks; });
        for (const QStringList &group : sizeGroups) {
            auto &members = contents.emplace_back();
            for (const QString &id : group) {
                if (const Entry *entry = findLocked(id)) {
                    MemoryAsset asset = entry->content;
                    asset.asset = *entry->asset;
                    const QByteArray size = QByteArray::number(qlonglong(sizeOf(asset)));
                    members.emplace_back(id, size + ':' + asset.resourceData);
                    done.totalBytes += asset.resourceData.size();
                }
            }
        }
    }
    ContentDigests digests;
    for (const auto &members : contents) {
        std::map<QByteArray, int> sharing;
        for (const auto &[id, content] : members)
            ++sharing[content];
        for (const auto &[id, content] : members) {
            if (cancellation.stop_requested())
                return digests;
            const QByteArray digest = QCryptographicHash::hash(content, QCryptographicHash::Sha256);
            digests[id] = sharing[content] > 1 ? digest : QByteArray();
            done.doneBytes += content.size() - content.indexOf(':') - 1;
            {
                std::lock_guard lock(m_mutex);
                m_counters.contentBytesRead += content.size() - content.indexOf(':') - 1;
            }
            if (progress)
                progress(done);
        }
    }
    return digests;
}

void MemoryPlatform::holdContentChecks(bool hold) {
    {
        std::lock_guard lock(m_mutex);
        m_holdContentChecks = hold;
    }
    m_contentChecksReleased.notify_all();
}

LibraryTrash MemoryPlatform::libraryTrash() const {
    std::lock_guard lock(m_mutex);
    LibraryTrash trash;
    for (const MemoryAsset &asset : m_trash) {
        ++trash.videos;
        trash.bytes +=
            asset.asset.file.freedBytes >= 0 ? asset.asset.file.freedBytes : sizeOf(asset);
    }
    return trash;
}

bool MemoryPlatform::canRestoreLastDeletion() const {
    std::lock_guard lock(m_mutex);
    return !m_lastDeletion.empty();
}

RestoreOutcome MemoryPlatform::restoreLastDeletion() {
    std::vector<MemoryAsset> last;
    {
        std::lock_guard lock(m_mutex);
        last = std::exchange(m_lastDeletion, {});
    }
    RestoreOutcome outcome;
    for (MemoryAsset &asset : last) {
        const QString id = asset.asset.localIdentifier;
        if (contains(id)) {
            outcome.stayed << id;
            outcome.message += (outcome.message.isEmpty() ? QString() : QStringLiteral("\n")) + id
                               + QStringLiteral(": its place is taken again.");
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            std::erase_if(m_trash, [&](const MemoryAsset &trashed) {
                return trashed.asset.localIdentifier == id;
            });
        }
        addAsset(std::move(asset));
        outcome.restored << id;
    }
    return outcome;
}

ObserverId MemoryPlatform::registerChangeObserver(std::function<void()> onChange) {
    std::lock_guard lock(m_mutex);
    const ObserverId id = m_nextObserverId++;
    m_observers.emplace(id, std::move(onChange));
    return id;
}

void MemoryPlatform::unregisterChangeObserver(ObserverId observer) {
    std::lock_guard lock(m_mutex);
    m_observers.erase(observer);
}

// --- Image manager requests

RequestId MemoryPlatform::requestImage(bool caching, const AssetPtr &asset, double targetWidth,
                                       double targetHeight, ContentMode contentMode,
                                       const ImageRequestOptions &options, ImageHandler handler) {
    Plan plan;
    RequestId id;
    std::vector<std::pair<std::optional<QImage>, ImageResultInfo>> results;
    {
        std::lock_guard lock(m_mutex);
        ++(caching ? m_counters.cachingImageRequests : m_counters.imageRequests);
        const QString localIdentifier = asset ? asset->localIdentifier : QString();
        m_imageRequestLog.push_back(
            {localIdentifier, targetWidth, targetHeight, contentMode, options, caching});
        const Entry *entry = findLocked(localIdentifier);
        if (entry && entry->content.imageError) {
            results.push_back({std::nullopt, {.error = entry->content.imageError}});
        } else if (entry && entry->content.image) {
            const QImage &image = *entry->content.image;
            if (m_degradedFirst) {
                const QImage degraded =
                    image.scaled(std::max(1, image.width() / 2), std::max(1, image.height() / 2));
                results.push_back({degraded, {.degraded = true}});
            }
            results.push_back({image, {}});
        } else {
            results.push_back({std::nullopt, {}});
        }
        id = m_nextRequestId++;
        m_pendingImages.emplace(id, Cancellation::none);
        plan = planLocked(true);
    }
    dispatch(plan.delivery, true,
             [this, plan, id, results = std::move(results), handler = std::move(handler)] {
                 Cancellation cancellation;
                 {
                     std::lock_guard lock(m_mutex);
                     cancellation = m_pendingImages.extract(id).mapped();
                 }
                 if (cancellation != Cancellation::none) {
                     for (int i = 0; cancellation == Cancellation::reported && i < plan.repeats;
                          ++i)
                         handler(std::nullopt, {.cancelled = true});
                     return;
                 }
                 for (const auto &[image, info] : results) {
                     for (int i = 0; i < plan.repeats; ++i)
                         handler(image, info);
                 }
             });
    return id;
}

void MemoryPlatform::cancelImageRequest(RequestId request) {
    std::lock_guard lock(m_mutex);
    if (const auto it = m_pendingImages.find(request); it != m_pendingImages.end())
        it->second = m_silentCancellation ? Cancellation::silent : Cancellation::reported;
}

void MemoryPlatform::requestMedia(const AssetPtr &asset, const VideoRequestOptions &options,
                                  MediaHandler handler) {
    Plan plan;
    std::optional<MediaAsset> media;
    MediaResultInfo info;
    {
        std::lock_guard lock(m_mutex);
        ++m_counters.mediaRequests;
        const QString localIdentifier = asset ? asset->localIdentifier : QString();
        m_mediaRequestLog.push_back({localIdentifier, options});
        if (const Entry *entry = findLocked(localIdentifier)) {
            info.error = entry->content.mediaError;
            if (!info.error)
                media = entry->content.media;
        }
        plan = planLocked(true);
    }
    dispatch(plan.delivery, true, [plan, media, info, handler = std::move(handler)] {
        for (int i = 0; i < plan.repeats; ++i)
            handler(media, info);
    });
}

} // namespace orsenta::platform
