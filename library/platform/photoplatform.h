// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photo library as the service sees it: every call the service makes on the platform.
// Implementations: folder/ (the real Linux library) and memory/ (scriptable, for tests).
//
// Handlers and completions may run on any thread and must be called without holding locks the
// platform needs again, because a resumed caller may call straight back into the platform.

#include "platformtypes.h"

#include <memory>
#include <stop_token>

namespace orsenta::platform {

// Requests for images and media. The platform has a default manager; the service also makes a
// caching one for thumbnails.
class ImageManager {
public:
    virtual ~ImageManager() = default;

    // The handler runs at least once unless the request is cancelled; degraded images may come
    // before the final one.
    virtual RequestId requestImage(const AssetPtr &asset, double targetWidth, double targetHeight,
                                   ContentMode contentMode, const ImageRequestOptions &options,
                                   ImageHandler handler) = 0;
    virtual void cancelImageRequest(RequestId request) = 0;
    // The handler runs once.
    virtual void requestMedia(const AssetPtr &asset, const VideoRequestOptions &options,
                              MediaHandler handler) = 0;
};

class PhotoPlatform {
public:
    virtual ~PhotoPlatform() = default;

    // Read-write access.
    virtual AuthorizationStatus authorizationStatus() const = 0;
    // The handler receives the final status once, on any thread.
    virtual void requestAuthorization(std::function<void(AuthorizationStatus)> handler) = 0;

    // Whether resources report their data size.
    virtual bool resourceDataSizesAvailable() const = 0;
    // Loads what the optional members need; the service calls it before reading them and
    // ignores whether it worked.
    virtual void loadOptionalExtensions() = 0;

    virtual FetchOptions makeFetchOptions() = 0;
    // Video assets, newest first.
    virtual std::unique_ptr<AssetFetchResult> fetchVideoAssets(const FetchOptions &options) = 0;
    // The assets among `identifiers` that still exist.
    virtual std::unique_ptr<AssetFetchResult> fetchAssets(const QStringList &identifiers) = 0;
    virtual std::vector<AssetResource> assetResources(const AssetPtr &asset) = 0;
    // Writes a new file at `destinationPath`; the completion runs once.
    virtual void writeResourceData(const AssetResource &resource, const QString &destinationPath,
                                   const ResourceRequestOptions &options,
                                   WriteCompletion completion) = 0;

    virtual ImageManager &defaultImageManager() = 0;
    virtual std::unique_ptr<ImageManager> makeCachingImageManager() = 0;

    // The completion runs once.
    virtual void performChanges(ChangeRequest request, ChangeCompletion completion) = 0;

    // The callback runs on any thread after the library changed.
    virtual ObserverId registerChangeObserver(std::function<void()> onChange) = 0;
    virtual void unregisterChangeObserver(ObserverId observer) = 0;

    // What the last fetch of the videos could not read or remember; nothing by default.
    virtual LibraryCondition libraryCondition() const { return {}; }

    // Reads the videos of each group (videos of one size) and gives a digest to those whose
    // bytes equal another's of the group; blocks, so the caller runs it off the main thread.
    // `progress` may run on any thread. Once `cancellation` is requested it returns what it has.
    virtual ContentDigests checkContent(const std::vector<QStringList> &sizeGroups,
                                        const std::function<void(ContentCheckProgress)> &progress,
                                        std::stop_token cancellation) = 0;
    // Fingerprints those of the videos that have none yet and can have one (a video that could
    // not be fingerprinted is tried again only once its file changes); blocks. `progress` may
    // run on any thread. Once `cancellation` is requested it returns what it has. A library whose
    // assets come with their fingerprints fingerprints nothing.
    virtual VideoFingerprints
    fingerprintVideos(const QStringList &identifiers,
                      const std::function<void(FingerprintProgress)> &progress,
                      std::stop_token cancellation) {
        (void)identifiers;
        (void)progress;
        (void)cancellation;
        return {};
    }
    // What of this library waits in the Trash; blocks.
    virtual LibraryTrash libraryTrash() const { return {}; }
    // Whether the last move to the Trash, in this session or an earlier one, can be put back.
    virtual bool canRestoreLastDeletion() const { return false; }
    // Puts exactly the files of the last move back where they were, never over another file;
    // blocks.
    virtual RestoreOutcome restoreLastDeletion() { return {}; }
};

} // namespace orsenta::platform
