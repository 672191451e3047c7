// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real photo library on Linux: every video under the user's library folders (the Videos and
// Pictures folders unless they chose others), indexed in a database of our own, read with FFmpeg in
// an isolated helper process, and watched for changes.

#include "library/platform/photoplatform.h"
#include "libraryroots.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace orsenta::platform {

class ChangeWatcher;
class LastDeletion;
class LibraryIndex;
class MediaProbe;

struct FolderPlatformOptions {
    std::optional<LibraryRoots> roots; // default: the roots of `folders`
    QList<QByteArray> folders;         // default: the desktop's Videos and Pictures folders
    QString indexPath;                 // default: <XDG data home>/orsenta/library.sqlite3
    QString probeHelperPath;           // default: orsenta-probe beside the application
    int walkThreads = 2;
};

class FolderPlatform final : public PhotoPlatform {
public:
    explicit FolderPlatform(FolderPlatformOptions options = {});
    ~FolderPlatform() override;

    // Not determined until the first request; then from what the user may do in the folders.
    AuthorizationStatus authorizationStatus() const override;
    void requestAuthorization(std::function<void(AuthorizationStatus)> handler) override;

    bool resourceDataSizesAvailable() const override { return true; }
    void loadOptionalExtensions() override {}

    FetchOptions makeFetchOptions() override;
    std::unique_ptr<AssetFetchResult> fetchVideoAssets(const FetchOptions &options) override;
    std::unique_ptr<AssetFetchResult> fetchAssets(const QStringList &identifiers) override;
    std::vector<AssetResource> assetResources(const AssetPtr &asset) override;
    void writeResourceData(const AssetResource &resource, const QString &destinationPath,
                           const ResourceRequestOptions &options,
                           WriteCompletion completion) override;

    ImageManager &defaultImageManager() override;
    std::unique_ptr<ImageManager> makeCachingImageManager() override;

    void performChanges(ChangeRequest request, ChangeCompletion completion) override;

    ObserverId registerChangeObserver(std::function<void()> onChange) override;
    void unregisterChangeObserver(ObserverId observer) override;

    LibraryCondition libraryCondition() const override;

    ContentDigests checkContent(const std::vector<QStringList> &sizeGroups,
                                const std::function<void(ContentCheckProgress)> &progress,
                                std::stop_token cancellation) override;
    // Bytes of video content read by checks so far: none when every answer was remembered.
    std::int64_t contentBytesRead() const;
    // Runs the helpers side by side, each on its share of the videos.
    VideoFingerprints fingerprintVideos(const QStringList &identifiers,
                                        const std::function<void(FingerprintProgress)> &progress,
                                        std::stop_token cancellation) override;
    // Videos fingerprinted so far: none when every video was fingerprinted before, as it is now.
    std::int64_t fingerprintsMade() const;

    LibraryTrash libraryTrash() const override;
    bool canRestoreLastDeletion() const override;
    RestoreOutcome restoreLastDeletion() override;

    // What the index said when it was opened (moved aside and rebuilt), for the log.
    QString indexNote() const { return m_indexNote; }
    LibraryRoots roots() const;
    // Makes the library these folders from the next scan on; the videos of a folder left out
    // leave the index at that scan, those of a folder that is not there stay.
    void setFolders(const QList<QByteArray> &folders);
    // Videos the index holds inside `folder`, whether or not the folder is there now.
    std::int64_t indexedVideosUnder(const QByteArray &folder) const;

    // Shared with fetch results and image managers, which may outlive a call.
    struct Library;

private:
    void notifyObservers();

    QByteArray m_indexFolder;
    LibraryRoots m_roots; // under m_lock
    QString m_indexNote;
    std::shared_ptr<Library> m_library;
    std::unique_ptr<ImageManager> m_defaultManager;
    std::mutex m_observerLock;
    std::map<ObserverId, std::function<void()>> m_observers;
    ObserverId m_nextObserver = 1;
    // One watcher at a time tells every observer; it is replaced when the folders change, and
    // goes before the observers it tells.
    std::unique_ptr<ChangeWatcher> m_watcher;
    mutable std::mutex m_lock;
    std::optional<AuthorizationStatus> m_status;
    std::vector<AbsentFolder> m_absent; // as the last fetch found them
    std::unique_ptr<LastDeletion> m_lastDeletion;
};

} // namespace orsenta::platform
