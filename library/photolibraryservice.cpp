// SPDX-License-Identifier: GPL-3.0-or-later
#include "photolibraryservice.h"

#include "async/callbackawaiter.h"
#include "async/completionqueue.h"
#include "filesize.h"
#include "propertyreaders.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orsenta {

using namespace platform;

namespace {

using Clock = std::chrono::steady_clock;

// Probes wait on the library and the disk more than they compute, so the pool is wider than
// the machine; the probe window bounds the load.
constexpr int workerThreads = 8;

struct MediaResult {
    std::optional<MediaAsset> media;
    MediaResultInfo info;
};

// Media from the platform's default manager, asked on the pool (a library may answer before
// the call returns, after blocking on the disk) and awaited once.
CallbackAwaiter<MediaResult> mediaRequest(WorkerPool &pool, std::shared_ptr<PhotoPlatform> platform,
                                          AssetPtr asset, VideoRequestOptions options) {
    return CallbackAwaiter<MediaResult>([&pool, platform, asset, options](auto resume) {
        pool.start([platform, asset, options, resume] {
            platform->defaultImageManager().requestMedia(
                asset, options, [resume](std::optional<MediaAsset> media, MediaResultInfo info) {
                    resume(MediaResult{std::move(media), std::move(info)});
                });
        });
    });
}

CallbackAwaiter<ChangeOutcome> changeRequest(PhotoPlatform &platform, ChangeRequest request) {
    return CallbackAwaiter<ChangeOutcome>(
        [&platform, request](auto resume) { platform.performChanges(request, resume); });
}

std::int64_t wholePixels(double size) {
    if (!std::isfinite(size))
        return 0;
    constexpr double limit = 9.2e18;
    return std::int64_t(std::clamp(std::trunc(size), -limit, limit));
}

} // namespace

std::shared_ptr<PhotoLibraryService>
PhotoLibraryService::create(std::shared_ptr<PhotoPlatform> platform) {
    return std::shared_ptr<PhotoLibraryService>(new PhotoLibraryService(std::move(platform)));
}

PhotoLibraryService::PhotoLibraryService(std::shared_ptr<PhotoPlatform> platform)
    : m_platform(std::move(platform))
    , m_actor(QStringLiteral("PhotoLibraryService"))
    , m_workers(workerThreads)
    , m_imageManager(m_platform->makeCachingImageManager())
    , m_thumbnailCache(thumbnailCountLimit, thumbnailCostLimit) {}

PhotoLibraryService::~PhotoLibraryService() = default;

// --- Scan -------------------------------------------------------------------------------------

std::unique_ptr<AssetFetchResult> PhotoLibraryService::makeScanFetchResult() {
    const AuthorizationStatus status = m_platform->authorizationStatus();
    if (status != AuthorizationStatus::authorized && status != AuthorizationStatus::limited)
        throw PhotoLibraryError::notAuthorized();
    FetchOptions options = m_platform->makeFetchOptions();
    // Asks the library to load the original metadata with the fetch, which keeps most reads on
    // the fast path; libraries without that option are read without it.
    invokeSetterIfCompatible(members::addFetchPropertySets, options.members,
                             QStringList{members::originalMetadataPropertySet});
    return m_platform->fetchVideoAssets(options);
}

QCoro::Task<std::int64_t> PhotoLibraryService::beginScan() {
    return m_actor.run([self = shared_from_this()]() -> QCoro::Task<std::int64_t> {
        self->m_scanFetchResult = self->makeScanFetchResult();
        self->m_timings = {};
        co_return self->m_scanFetchResult->count();
    });
}

QCoro::Task<std::vector<VideoItem>> PhotoLibraryService::nextScanBatch(std::int64_t offset,
                                                                       std::int64_t limit) {
    return m_actor.run(
        [self = shared_from_this(), offset, limit]() -> QCoro::Task<std::vector<VideoItem>> {
            if (!self->m_scanFetchResult)
                self->m_scanFetchResult = self->makeScanFetchResult();
            const AssetFetchResult &fetch = *self->m_scanFetchResult;
            const std::int64_t count = fetch.count();
            const std::int64_t start = std::clamp<std::int64_t>(offset, 0, count);
            const std::int64_t toRead = std::min(count - start, std::max<std::int64_t>(limit, 0));
            const auto began = Clock::now();
            std::vector<VideoItem> items;
            items.reserve(std::size_t(toRead));
            for (std::int64_t index = start; index < start + toRead; ++index) {
                AssetRead read = self->readAsset(fetch.at(index));
                items.push_back(std::move(read.item));
                if (read.usedResourceIPC)
                    ++self->m_timings.slowPathCount;
            }
            self->m_timings.batchTotal += Clock::now() - began;
            self->m_timings.assetCount += toRead;
            co_return items;
        });
}

QCoro::Task<ScanTimings> PhotoLibraryService::finishScan() {
    return m_actor.run([self = shared_from_this()]() -> QCoro::Task<ScanTimings> {
        self->m_scanFetchResult.reset();
        co_return std::exchange(self->m_timings, ScanTimings{});
    });
}

void PhotoLibraryService::loadOptionalExtensionsOnce() {
    std::call_once(m_extensionsLoaded, [this] { m_platform->loadOptionalExtensions(); });
}

AssetRead PhotoLibraryService::readAsset(const AssetPtr &asset) {
    std::optional<QString> filename;
    if (const auto name = objectProperty(members::originalFilename, asset->members)) {
        if (const auto *text = std::get_if<QString>(&*name); text && !text->isEmpty())
            filename = *text;
    }
    loadOptionalExtensionsOnce();
    const std::optional<std::int64_t> metadataBytes =
        numericProperty(members::fileSize, asset->members);

    SizeState size = SizeState::unavailable();
    bool usedResourceIPC = false;
    if (filename && metadataBytes) {
        size = SizeState::known(*metadataBytes, SizeSource::photosMetadata);
    } else {
        usedResourceIPC = true;
        const std::vector<AssetResource> resources = m_platform->assetResources(asset);
        if (!filename && !resources.empty())
            filename = resources.front().originalFilename;
        if (metadataBytes) {
            size = SizeState::known(*metadataBytes, SizeSource::photosMetadata);
        } else if (const auto resource = m_platform->resourceDataSizesAvailable()
                                             ? chooseVideoResource(resources)
                                             : std::nullopt;
                   resource && resource->dataSize.value_or(0) > 0) {
            size = SizeState::known(*resource->dataSize, SizeSource::resourceDataSize);
        } else if (const auto original = originalMetadataFileSize(asset->members)) {
            size = SizeState::known(*original, SizeSource::photosMetadata);
        }
    }

    std::optional<QStringView> name;
    if (filename)
        name = QStringView(*filename);
    VideoItem item(asset->localIdentifier, name, asset->creationDate.value_or(distantPast),
                   asset->duration, asset->pixelWidth, asset->pixelHeight, asset->isFavorite,
                   (asset->mediaSubtypes & screenRecordingSubtype) != 0, size, asset->file);
    return {std::move(item), usedResourceIPC};
}

QCoro::Task<std::vector<AssetPtr>> PhotoLibraryService::fetchOnPool(QString localIdentifier) {
    return m_workers.run([self = shared_from_this(), id = std::move(localIdentifier)] {
        return self->fetchAll({id});
    });
}

std::vector<AssetPtr> PhotoLibraryService::fetchAll(const QStringList &localIdentifiers) {
    const std::unique_ptr<AssetFetchResult> fetch = m_platform->fetchAssets(localIdentifiers);
    std::vector<AssetPtr> assets;
    assets.reserve(std::size_t(fetch->count()));
    for (std::int64_t i = 0; i < fetch->count(); ++i)
        assets.push_back(fetch->at(i));
    return assets;
}

QCoro::Task<QSet<QString>> PhotoLibraryService::existingIdentifiers(QStringList among) {
    return m_actor.run([self = shared_from_this(), among]() -> QCoro::Task<QSet<QString>> {
        QSet<QString> existing;
        if (among.isEmpty())
            co_return existing;
        for (const AssetPtr &asset : self->fetchAll(among))
            existing.insert(asset->localIdentifier);
        co_return existing;
    });
}

// --- Access -----------------------------------------------------------------------------------

AuthorizationStatus PhotoLibraryService::authorizationStatus() const {
    return m_platform->authorizationStatus();
}

void PhotoLibraryService::requestAuthorization(
    std::function<void(AuthorizationStatus)> completion) {
    // The platform may show a prompt, which belongs to the main thread.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [platform = m_platform, completion = std::move(completion)] {
            platform->requestAuthorization(completion);
        },
        Qt::QueuedConnection);
}

QCoro::Task<AuthorizationStatus> PhotoLibraryService::requestAccess() {
    return m_actor.run([self = shared_from_this()]() -> QCoro::Task<AuthorizationStatus> {
        CallbackAwaiter<AuthorizationStatus> answer(
            [self](auto resume) { self->requestAuthorization(resume); });
        co_return co_await answer;
    });
}

// --- Sizes ------------------------------------------------------------------------------------

QCoro::Task<QHash<QString, SizeState>>
PhotoLibraryService::probeSizes(QStringList localIdentifiers, std::int64_t maxConcurrent,
                                std::stop_token cancellation) {
    using Result = QHash<QString, SizeState>;
    return m_actor.run([self = shared_from_this(), ids = std::move(localIdentifiers), maxConcurrent,
                        cancellation]() -> QCoro::Task<Result> {
        Result sizes;
        if (ids.isEmpty())
            co_return sizes;
        const auto window =
            std::min<std::int64_t>(ids.size(), std::max<std::int64_t>(1, maxConcurrent));
        const auto began = Clock::now();
        sizes.reserve(ids.size());

        CompletionQueue<std::pair<QString, SizeState>> finished(currentThreadContext());
        const auto launch = [&](const QString &id) -> QCoro::Task<> {
            // Each probe reports to the queue exactly once, whatever happened to it: the loop
            // below waits for every probe it started. The queue outlives every probe for the
            // same reason.
            SizeState size = SizeState::failed();
            try {
                auto probe = self->probeSize(id, cancellation);
                size = co_await probe;
            } catch (...) {
            }
            finished.post({id, size});
        };
        qsizetype next = 0;
        std::int64_t running = 0;
        for (; next < window; ++next, ++running)
            launch(ids[next]);
        while (running > 0) {
            auto [id, size] = co_await finished.next();
            --running;
            sizes.insert(id, size);
            if (!cancellation.stop_requested() && next < ids.size()) {
                launch(ids[next++]);
                ++running;
            }
        }
        self->m_timings.probe += Clock::now() - began;
        self->m_timings.probeCount += ids.size();
        co_return sizes;
    });
}

QCoro::Task<SizeState> PhotoLibraryService::probeSize(QString localIdentifier,
                                                      std::stop_token cancellation) {
    const std::shared_ptr<PhotoLibraryService> self = shared_from_this();
    struct Lookup {
        std::optional<SizeState> size;
        AssetPtr asset; // to ask for its file when the library knows no size
    };
    auto lookup = m_workers.run([self, id = std::move(localIdentifier), cancellation]() -> Lookup {
        if (cancellation.stop_requested())
            return {SizeState::unavailable(), nullptr};
        const std::vector<AssetPtr> assets = self->fetchAll({id});
        if (assets.empty())
            return {SizeState::failed(), nullptr};
        const AssetPtr &asset = assets.front();
        if (auto size = self->metadataSize(asset, self->m_platform->assetResources(asset)))
            return {size, nullptr};
        return {std::nullopt, asset};
    });
    const Lookup found = co_await lookup;
    if (found.size)
        co_return *found.size;
    QString path;
    try {
        auto url = requestAssetURL(found.asset);
        path = co_await url;
    } catch (const PhotoLibraryError &) {
        co_return SizeState::unavailable();
    }
    auto measured = m_workers.run([path] { return fileURLSize(path); });
    co_return co_await measured;
}

std::optional<SizeState>
PhotoLibraryService::metadataSize(const AssetPtr &asset,
                                  const std::vector<AssetResource> &resources) {
    loadOptionalExtensionsOnce();
    if (const auto bytes = numericProperty(members::fileSize, asset->members))
        return SizeState::known(*bytes, SizeSource::photosMetadata);
    if (m_platform->resourceDataSizesAvailable()) {
        if (const auto resource = chooseVideoResource(resources);
            resource && resource->dataSize.value_or(0) > 0)
            return SizeState::known(*resource->dataSize, SizeSource::resourceDataSize);
    }
    if (const auto bytes = originalMetadataFileSize(asset->members))
        return SizeState::known(*bytes, SizeSource::photosMetadata);
    return std::nullopt;
}

QCoro::Task<QString> PhotoLibraryService::requestAssetURL(AssetPtr asset) {
    VideoRequestOptions options;
    options.networkAccessAllowed = false;
    options.deliveryMode = VideoDeliveryMode::fastFormat;
    auto media = mediaRequest(m_workers, m_platform, std::move(asset), options);
    std::optional<MediaResult> result;
    try {
        result.emplace(co_await media);
    } catch (const CallbackAbandoned &) {
    }
    if (result && result->media && result->media->fileBacked)
        co_return result->media->filePath;
    throw PhotoLibraryError::assetUnavailable();
}

QCoro::Task<QString> PhotoLibraryService::videoFilePath(QString localIdentifier) {
    const std::shared_ptr<PhotoLibraryService> self = shared_from_this();
    auto lookup = fetchOnPool(std::move(localIdentifier));
    const std::vector<AssetPtr> assets = co_await lookup;
    if (assets.empty())
        throw PhotoLibraryError::assetNotFound();
    auto url = requestAssetURL(assets.front());
    co_return co_await url;
}

// --- Media ------------------------------------------------------------------------------------

QString PhotoLibraryService::thumbnailKey(const QString &localIdentifier, QSizeF targetSize) {
    return localIdentifier + QLatin1Char(':') + QString::number(wholePixels(targetSize.width()))
           + QLatin1Char('x') + QString::number(wholePixels(targetSize.height()));
}

QCoro::Task<ThumbnailPtr> PhotoLibraryService::thumbnail(QString localIdentifier, QSizeF targetSize,
                                                         std::stop_token cancellation) {
    // A hit is answered here, without a trip to the actor: the table asks for every visible
    // row on every scroll. A miss is checked again on the actor, where requests are joined.
    if (ThumbnailPtr cached = m_thumbnailCache.object(thumbnailKey(localIdentifier, targetSize)))
        co_return cached;
    // Awaitables made from lambdas are named before they are awaited throughout: GCC 12 destroys
    // a capturing lambda temporary twice when it sits inside a co_await expression.
    auto onActor = m_actor.run([self = shared_from_this(), id = std::move(localIdentifier),
                                targetSize, cancellation]() -> QCoro::Task<ThumbnailPtr> {
        const QString key = thumbnailKey(id, targetSize);
        if (ThumbnailPtr cached = self->m_thumbnailCache.object(key))
            co_return cached;
        // A caller that has already left asks nothing.
        if (cancellation.stop_requested())
            co_return ThumbnailPtr{};
        // The check and the registration happen with no suspension in between, so two callers
        // for one key never start two library requests. A request every caller has left is
        // cancelled and leaves the table at once: a later caller starts afresh instead of
        // joining a request that can only end empty.
        std::shared_ptr<ThumbnailRequest> request = self->m_thumbnailTasks.value(key);
        if (!request) {
            request = std::make_shared<ThumbnailRequest>(
                currentThreadContext(),
                [weak = std::weak_ptr(self), key](const ThumbnailRequest *abandoned) {
                    if (const auto service = weak.lock())
                        service->forgetThumbnailRequest(key, abandoned);
                });
            self->m_thumbnailTasks.insert(key, request);
            self->runThumbnailRequest(key, id, targetSize, request);
        }
        co_return co_await request->wait(cancellation);
    });
    co_return co_await onActor;
}

void PhotoLibraryService::forgetThumbnailRequest(const QString &key,
                                                 const ThumbnailRequest *request) {
    const auto it = m_thumbnailTasks.constFind(key);
    if (it != m_thumbnailTasks.cend() && it->get() == request)
        m_thumbnailTasks.erase(it);
}

// Runs on the actor, detached: its callers wait on `request`, and may leave before it ends.
QCoro::Task<> PhotoLibraryService::runThumbnailRequest(QString key, QString localIdentifier,
                                                       QSizeF targetSize,
                                                       std::shared_ptr<ThumbnailRequest> request) {
    const std::shared_ptr<PhotoLibraryService> self = shared_from_this();
    auto image = requestThumbnail(localIdentifier, targetSize, m_imageManager,
                                  request->libraryCancellation());
    const ThumbnailPtr result = co_await image;
    forgetThumbnailRequest(key, request.get());
    if (result) {
        const QSize size = result->image().size();
        const double cost = double(size.width()) * double(size.height()) * 4.0;
        m_thumbnailCache.insert(key, result, std::max<std::int64_t>(1, std::int64_t(cost)));
    }
    request->finish(result);
}

QCoro::Task<ThumbnailPtr>
PhotoLibraryService::requestThumbnail(QString localIdentifier, QSizeF targetSize,
                                      std::shared_ptr<ImageManager> manager,
                                      std::stop_token cancellation) {
    const std::shared_ptr<PhotoLibraryService> self = shared_from_this();
    if (cancellation.stop_requested())
        co_return ThumbnailPtr{};
    auto lookup = fetchOnPool(std::move(localIdentifier));
    const std::vector<AssetPtr> assets = co_await lookup;
    if (assets.empty() || cancellation.stop_requested())
        co_return ThumbnailPtr{};
    ImageRequestOptions options;
    options.deliveryMode = ImageDeliveryMode::highQuality;
    options.resizeMode = ImageResizeMode::fast;
    options.networkAccessAllowed = false;
    // The library is asked on the pool, since it may decode before it returns. Cancelling answers
    // through the same guard as the library, so whichever comes first wins, and a library that
    // never calls back after a cancellation leaves nobody waiting.
    struct Pending {
        std::mutex lock;
        std::optional<RequestId> id;
        bool cancelled = false;
    };
    const auto pending = std::make_shared<Pending>();
    const auto keepAlive = m_platform; // the manager refers to its platform
    std::optional<std::stop_callback<std::function<void()>>> onCancel;
    CallbackAwaiter<ThumbnailPtr> image([&](auto resume) {
        // Only the library holds the answer for good: a library that drops its handler uncalled
        // ends the wait, while a cancellation still to come can answer only as long as it lasts.
        const auto answer = std::make_shared<decltype(resume)>(std::move(resume));
        onCancel.emplace(cancellation, [manager, pending, weak = std::weak_ptr(answer)] {
            std::optional<RequestId> id;
            {
                std::lock_guard lock(pending->lock);
                pending->cancelled = true;
                id = pending->id;
            }
            if (id)
                manager->cancelImageRequest(*id);
            if (const auto resume = weak.lock())
                (*resume)(nullptr);
        });
        m_workers.start(
            [manager, keepAlive, pending, asset = assets.front(), targetSize, options, answer] {
                if (std::lock_guard lock(pending->lock); pending->cancelled)
                    return;
                const RequestId id = manager->requestImage(
                    asset, targetSize.width(), targetSize.height(), ContentMode::aspectFill,
                    options, [answer](std::optional<QImage> image, ImageResultInfo info) {
                        // A degraded image is a preview of the final one, which is still to come.
                        if (info.degraded)
                            return;
                        if (info.cancelled || info.error || !image || image->isNull()) {
                            (*answer)(nullptr);
                            return;
                        }
                        (*answer)(std::make_shared<const ThumbnailImage>(std::move(*image)));
                    });
                bool cancelled = false;
                {
                    std::lock_guard lock(pending->lock);
                    pending->id = id;
                    cancelled = pending->cancelled;
                }
                if (cancelled)
                    manager->cancelImageRequest(id);
            });
    });
    try {
        co_return co_await image;
    } catch (const CallbackAbandoned &) {
        co_return ThumbnailPtr{};
    }
}

QCoro::Task<PreviewAssetPtr> PhotoLibraryService::requestPreviewAsset(QString localIdentifier) {
    const std::shared_ptr<PhotoLibraryService> self = shared_from_this();
    auto lookup = fetchOnPool(std::move(localIdentifier));
    const std::vector<AssetPtr> assets = co_await lookup;
    if (assets.empty())
        throw PhotoLibraryError::assetNotFound();
    VideoRequestOptions options;
    options.deliveryMode = VideoDeliveryMode::automatic;
    options.networkAccessAllowed = true;
    options.version = VideoVersion::current;
    auto media = mediaRequest(m_workers, m_platform, assets.front(), options);
    std::optional<MediaResult> result;
    try {
        result.emplace(co_await media);
    } catch (const CallbackAbandoned &) {
        throw PhotoLibraryError::assetUnavailable();
    }
    if (result->media)
        co_return std::make_shared<const PreviewAssetBox>(*result->media);
    if (result->info.error)
        throw PhotoLibraryError::operationFailed(*result->info.error);
    throw PhotoLibraryError::assetUnavailable();
}

// --- Changes ----------------------------------------------------------------------------------

QCoro::Task<ContentDigests>
PhotoLibraryService::checkContent(std::vector<QStringList> sizeGroups,
                                  std::function<void(ContentCheckProgress)> progress,
                                  std::stop_token cancellation) {
    return m_workers.run(
        [self = shared_from_this(), groups = std::move(sizeGroups), progress = std::move(progress),
         cancellation] { return self->m_platform->checkContent(groups, progress, cancellation); });
}

QCoro::Task<VideoFingerprints>
PhotoLibraryService::fingerprintVideos(QStringList localIdentifiers,
                                       std::function<void(FingerprintProgress)> progress,
                                       std::stop_token cancellation) {
    return m_workers.run([self = shared_from_this(), ids = std::move(localIdentifiers),
                          progress = std::move(progress), cancellation] {
        return self->m_platform->fingerprintVideos(ids, progress, cancellation);
    });
}

QCoro::Task<PhotoLibraryService::TrashState> PhotoLibraryService::trashState() {
    return m_workers.run([self = shared_from_this()] {
        return TrashState{self->m_platform->libraryTrash(),
                          self->m_platform->canRestoreLastDeletion()};
    });
}

QCoro::Task<RestoreOutcome> PhotoLibraryService::restoreLastDeletion() {
    return m_workers.run(
        [self = shared_from_this()] { return self->m_platform->restoreLastDeletion(); });
}

QCoro::Task<DeletionOutcome> PhotoLibraryService::deleteVideos(QStringList localIdentifiers) {
    return m_actor.run([self = shared_from_this(),
                        ids = std::move(localIdentifiers)]() -> QCoro::Task<DeletionOutcome> {
        ChangeRequest request;
        request.deletions = self->fetchAll(ids);
        QStringList recorded;
        recorded.reserve(qsizetype(request.deletions.size()));
        for (const AssetPtr &asset : request.deletions)
            recorded << asset->localIdentifier;
        // The fetch leaves out what was removed or replaced since the scan: those are named too,
        // so that no video the user chose stays without a word.
        QSet<QString> accounted(recorded.cbegin(), recorded.cend());
        QStringList unavailable;
        for (const QString &id : ids) {
            if (!accounted.contains(id)) {
                accounted.insert(id);
                unavailable << id;
            }
        }
        if (request.deletions.empty())
            co_return DeletionOutcome::failed().withStayed({}, unavailable);
        auto change = changeRequest(*self->m_platform, std::move(request));
        const ChangeOutcome result = co_await change;
        if (result.success) {
            QStringList refused;
            if (result.deleted) {
                // Only some went: report exactly those.
                const QSet<QString> deleted(result.deleted->cbegin(), result.deleted->cend());
                for (const QString &id : recorded) {
                    if (!deleted.contains(id))
                        refused << id;
                }
                recorded.removeIf([&](const QString &id) { return !deleted.contains(id); });
            }
            std::optional<QString> why;
            if (result.deleted && result.error)
                why = result.error->description;
            co_return DeletionOutcome::success(recorded, why).withStayed(refused, unavailable);
        }
        if (result.error && result.error->code == userCancelledErrorCode)
            co_return DeletionOutcome::cancelled();
        std::optional<QString> why;
        if (result.error)
            why = result.error->description;
        co_return DeletionOutcome::failed(why).withStayed(recorded, unavailable);
    });
}

QCoro::Task<> PhotoLibraryService::setFavorite(QStringList localIdentifiers, bool isFavorite) {
    return m_actor.run([self = shared_from_this(), ids = std::move(localIdentifiers),
                        isFavorite]() -> QCoro::Task<> {
        ChangeRequest request;
        for (AssetPtr &asset : self->fetchAll(ids))
            request.favorites.emplace_back(std::move(asset), isFavorite);
        if (request.favorites.empty())
            throw PhotoLibraryError::assetNotFound();
        auto change = changeRequest(*self->m_platform, std::move(request));
        const ChangeOutcome result = co_await change;
        if (result.success)
            co_return;
        if (result.error)
            throw PhotoLibraryError::operationFailed(*result.error);
        throw PhotoLibraryError::operationFailed(PhotoLibraryError::Kind::assetUnavailable);
    });
}

QCoro::Task<> PhotoLibraryService::downloadVideo(QString localIdentifier, QString destinationPath) {
    return m_actor.run([self = shared_from_this(), id = std::move(localIdentifier),
                        destination = std::move(destinationPath)]() -> QCoro::Task<> {
        const std::vector<AssetPtr> assets = self->fetchAll({id});
        if (assets.empty())
            throw PhotoLibraryError::assetNotFound();
        const auto resource = chooseVideoResource(self->m_platform->assetResources(assets.front()));
        if (!resource)
            throw PhotoLibraryError::videoResourceUnavailable();
        ResourceRequestOptions options;
        options.networkAccessAllowed = true;
        CallbackAwaiter<std::optional<PlatformError>> written([&](auto resume) {
            self->m_platform->writeResourceData(*resource, destination, options, resume);
        });
        const std::optional<PlatformError> error = co_await written;
        if (error)
            throw PhotoLibraryError::operationFailed(*error);
    });
}

} // namespace orsenta
