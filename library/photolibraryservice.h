// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one object that talks to the photo library: scans, size probes, thumbnails, previews,
// deletions, favourites and exports. Its state lives on an actor thread of its own; operations
// are coroutines that resume their caller on the caller's thread, which runs an event loop (the
// main thread, or the actor itself).

#include "async/actor.h"
#include "async/workerpool.h"
#include "deletionoutcome.h"
#include "mediaobjects.h"
#include "model/videoitem.h"
#include "photolibraryerror.h"
#include "platform/photoplatform.h"
#include "previewplayer.h"
#include "scantimings.h"
#include "thumbnailcache.h"
#include "thumbnailrequest.h"

#include <QCoroTask>
#include <QHash>
#include <QSet>
#include <QSizeF>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

namespace orsenta {

struct AssetRead {
    VideoItem item;
    bool usedResourceIPC = false; // the read had to list the asset's resources
};

class PhotoLibraryService : public std::enable_shared_from_this<PhotoLibraryService> {
public:
    static constexpr int thumbnailCountLimit = 512;
    static constexpr std::int64_t thumbnailCostLimit = 32 * 1024 * 1024;

    static std::shared_ptr<PhotoLibraryService>
    create(std::shared_ptr<platform::PhotoPlatform> platform);
    ~PhotoLibraryService();

    // --- Scan: count, then batches of one fetch held until finishScan().
    QCoro::Task<std::int64_t> beginScan();
    QCoro::Task<std::vector<VideoItem>> nextScanBatch(std::int64_t offset, std::int64_t limit);
    QCoro::Task<ScanTimings> finishScan();
    // The identifiers among `among` that the library still holds.
    QCoro::Task<QSet<QString>> existingIdentifiers(QStringList among);

    // --- Access.
    platform::AuthorizationStatus authorizationStatus() const;
    // What the library could not read or remember on its last scan; safe from any thread.
    platform::LibraryCondition libraryCondition() const { return m_platform->libraryCondition(); }
    // Asks on the main thread; `completion` gets the final status once, on any thread.
    void requestAuthorization(std::function<void(platform::AuthorizationStatus)> completion);
    QCoro::Task<platform::AuthorizationStatus> requestAccess();

    // --- Sizes.
    // At most max(1, maxConcurrent) probes at once; once `cancellation` is requested no new
    // probe starts, and the map holds only the probes that ran.
    QCoro::Task<QHash<QString, SizeState>> probeSizes(QStringList localIdentifiers,
                                                      std::int64_t maxConcurrent,
                                                      std::stop_token cancellation = {});
    QCoro::Task<SizeState> probeSize(QString localIdentifier, std::stop_token cancellation = {});
    // The sizes the library already knows; none when it knows none.
    std::optional<SizeState> metadataSize(const platform::AssetPtr &asset,
                                          const std::vector<platform::AssetResource> &resources);
    // The path of the video's file; throws assetUnavailable when there is none on this device.
    QCoro::Task<QString> requestAssetURL(platform::AssetPtr asset);
    // The same for a video named by its identifier; throws assetNotFound when the library no
    // longer holds it.
    QCoro::Task<QString> videoFilePath(QString localIdentifier);

    // --- Media.
    // Cached by identifier and whole pixel size; concurrent requests for one key share one
    // library request. Null when there is no image, or at once when `cancellation` is requested
    // (the library request is cancelled when no caller is left for it).
    QCoro::Task<ThumbnailPtr> thumbnail(QString localIdentifier, QSizeF targetSize,
                                        std::stop_token cancellation = {});
    // Null when there is no image, or as soon as `cancellation` is requested.
    QCoro::Task<ThumbnailPtr> requestThumbnail(QString localIdentifier, QSizeF targetSize,
                                               std::shared_ptr<platform::ImageManager> manager,
                                               std::stop_token cancellation = {});
    QCoro::Task<PreviewAssetPtr> requestPreviewAsset(QString localIdentifier);
    // On the main thread: a player that has read the video's file. Throws PhotoLibraryError when
    // the video is gone or cannot be played, PreviewCancelled once `cancellation` is requested.
    QCoro::Task<PreviewPlayer> makePreviewPlayer(QString localIdentifier,
                                                 std::stop_token cancellation = {});
    static QString thumbnailKey(const QString &localIdentifier, QSizeF targetSize);

    // --- Identical copies and the Trash.
    // Reads the videos of each same-size group once and gives a digest to those whose bytes
    // equal another's; `progress` runs on a worker thread. Once `cancellation` is requested it
    // returns what it has read.
    QCoro::Task<platform::ContentDigests>
    checkContent(std::vector<QStringList> sizeGroups,
                 std::function<void(platform::ContentCheckProgress)> progress,
                 std::stop_token cancellation = {});
    // Fingerprints the videos among `localIdentifiers` that have none yet, for finding similar
    // videos; `progress` runs on a worker thread. Once `cancellation` is requested it returns
    // what it has made.
    QCoro::Task<platform::VideoFingerprints>
    fingerprintVideos(QStringList localIdentifiers,
                      std::function<void(platform::FingerprintProgress)> progress,
                      std::stop_token cancellation = {});
    // What of the library waits in the Trash, and whether the last move can be put back, read
    // together so that the two agree.
    struct TrashState {
        platform::LibraryTrash trash;
        bool canRestore = false;
    };
    QCoro::Task<TrashState> trashState();
    // Puts the last move to the Trash back; the videos return at the next scan.
    QCoro::Task<platform::RestoreOutcome> restoreLastDeletion();

    // --- Changes.
    QCoro::Task<DeletionOutcome> deleteVideos(QStringList localIdentifiers);
    QCoro::Task<> setFavorite(QStringList localIdentifiers, bool isFavorite);
    // Writes the video's file to `destinationPath`, which must not exist yet.
    QCoro::Task<> downloadVideo(QString localIdentifier, QString destinationPath);

    // One asset of the scan, on the actor: the fast path reads the file name and size the
    // library already holds; otherwise it lists the asset's resources.
    AssetRead readAsset(const platform::AssetPtr &asset);

private:
    explicit PhotoLibraryService(std::shared_ptr<platform::PhotoPlatform> platform);

    std::unique_ptr<platform::AssetFetchResult> makeScanFetchResult();
    void loadOptionalExtensionsOnce();
    std::vector<platform::AssetPtr> fetchAll(const QStringList &localIdentifiers);
    // The asset of one identifier, looked up on the pool, since the library may read a disk.
    QCoro::Task<std::vector<platform::AssetPtr>> fetchOnPool(QString localIdentifier);
    void forgetThumbnailRequest(const QString &key, const ThumbnailRequest *request);
    QCoro::Task<> runThumbnailRequest(QString key, QString localIdentifier, QSizeF targetSize,
                                      std::shared_ptr<ThumbnailRequest> request);

    const std::shared_ptr<platform::PhotoPlatform> m_platform;
    Actor m_actor;
    WorkerPool m_workers;
    std::once_flag m_extensionsLoaded;

    // Touched only on the actor.
    std::shared_ptr<platform::ImageManager> m_imageManager;
    ThumbnailCache m_thumbnailCache;
    QHash<QString, std::shared_ptr<ThumbnailRequest>> m_thumbnailTasks;
    std::unique_ptr<platform::AssetFetchResult> m_scanFetchResult;
    ScanTimings m_timings;
};

} // namespace orsenta
