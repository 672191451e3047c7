// SPDX-License-Identifier: GPL-3.0-or-later
#include "folderplatform.h"

#include "changewatcher.h"
#include "contentcheck.h"
#include "directorywalk.h"
#include "filespace.h"
#include "lastdeletion.h"
#include "libraryindex.h"
#include "librarytrash.h"
#include "mediaprobe.h"
#include "safecopy.h"
#include "thumbnailer.h"
#include "trashmover.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <thread>
#include <unistd.h>

namespace orsenta::platform {

namespace {

// Probed rows are written in groups: each transaction waits for the disk.
constexpr std::size_t writeBatch = 64;
// A scan meeting an unread video reads the next few unread ones with it, split between helpers.
constexpr std::size_t readAhead = 16;
constexpr int readAheadHelpers = 2;
// A file that crashes or hangs the helper this many times in a row is set aside until it changes,
// so that a hostile file cannot slow every scan or fingerprinting pass.
constexpr int helperFailuresToSetAside = 2;

bool tookHelperDown(ReadFailure failure) {
    return failure == ReadFailure::helperDied || failure == ReadFailure::helperHung;
}

QByteArray fileName(const QByteArray &path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// Bytes the file occupies: its length, or less for a sparse file, whose holes take no space.
// Not the allocated size of ordinary files: that is rounded up to whole blocks, and two
// different videos would then too often seem to be copies of each other.
std::int64_t occupiedBytes(const FileStat &stat) {
    if (stat.allocated > 0 && stat.allocated < stat.size)
        return stat.allocated;
    return stat.size;
}

bool looksLikeScreenRecording(const QByteArray &path) {
    const QByteArray name = fileName(path);
    return name.startsWith("Screencast from ") || name.startsWith("Screen Recording ")
           || name.startsWith("Screen recording ") || path.contains("/Screencasts/");
}

QString mintIdentifier() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral("/L0/001");
}

std::int64_t orderMicros(const IndexRow &row) {
    if (row.creationMicros)
        return *row.creationMicros;
    return (row.stat.bornNs ? row.stat.bornNs : row.stat.modifiedNs) / 1000;
}

// Newest first; the path settles ties so that the order never depends on the walk.
bool newerFirst(const IndexRow &a, const IndexRow &b) {
    const std::int64_t x = orderMicros(a);
    const std::int64_t y = orderMicros(b);
    return x != y ? x > y : a.path < b.path;
}

// A freed inode number is soon given to the next new file, so a file replaced under its name
// can have its predecessor's number: the birth time, where recorded, tells them apart.
bool sameFile(const FileStat &a, const FileStat &b) {
    return a.device == b.device && a.inode == b.inode
           && (a.bornNs == 0 || b.bornNs == 0 || a.bornNs == b.bornNs);
}

bool unchanged(const FileStat &a, const FileStat &b) {
    return sameFile(a, b) && a.size == b.size && a.modifiedNs == b.modifiedNs;
}

// The folders the walk could not read, with the indexed videos that were not found because of
// them, which `kept` marks. A root that reads as empty while its videos were on another device
// is a mount point whose drive is not connected, and counts as missing.
std::vector<AbsentFolder> absentFolders(const LibraryRoots &roots, const WalkResult &walk,
                                        const std::vector<IndexRow> &known,
                                        const std::vector<bool> &claimed, std::vector<bool> &kept) {
    std::vector<QByteArray> paths;
    std::vector<AbsentFolder> absent;
    const auto add = [&](const QByteArray &path, bool missing) {
        paths.push_back(path);
        absent.push_back(AbsentFolder{QFile::decodeName(path), 0, missing});
    };
    for (const QByteArray &root : walk.missing)
        add(root, true);
    for (const QByteArray &folder : walk.unreadable)
        add(folder, false);
    for (const QByteArray &root : roots.roots + roots.absent) {
        FileStat now;
        if (walk.missing.contains(root) || !statFile(root, now))
            continue;
        const bool empty =
            std::none_of(walk.files.begin(), walk.files.end(),
                         [&](const WalkedFile &f) { return isInside(f.path, root); });
        bool elsewhere = false;
        for (std::size_t i = 0; empty && !elsewhere && i < known.size(); ++i)
            elsewhere =
                !claimed[i] && isInside(known[i].path, root) && known[i].stat.device != now.device;
        if (elsewhere)
            add(root, true);
    }
    kept.assign(known.size(), false);
    for (std::size_t i = 0; i < known.size(); ++i) {
        for (std::size_t f = 0; !claimed[i] && f < paths.size(); ++f) {
            if (isInside(known[i].path, paths[f])) {
                ++absent[f].videos;
                kept[i] = true;
                break;
            }
        }
    }
    // A Videos or Pictures folder that never held a video is nothing to tell the user about.
    std::erase_if(absent, [](const AbsentFolder &f) { return f.missing && f.videos == 0; });
    return absent;
}

AuthorizationStatus checkAccess(const LibraryRoots &roots) {
    int readable = 0;
    int writable = 0;
    for (const QByteArray &root : roots.roots) {
        if (::access(root.constData(), R_OK | X_OK) == 0) {
            ++readable;
            writable += ::access(root.constData(), W_OK) == 0 ? 1 : 0;
        }
    }
    if (roots.roots.isEmpty() || (readable == roots.roots.size() && writable == readable))
        return AuthorizationStatus::authorized;
    return readable == 0 ? AuthorizationStatus::denied : AuthorizationStatus::limited;
}

} // namespace

struct FolderPlatform::Library {
    int walkThreads = 2;
    QString indexPath;
    mutable std::unique_ptr<LibraryIndex> index; // replaced only under mirrorLock

    // One helper per core: reading containers is what a first scan waits for.
    std::vector<std::unique_ptr<MediaProbe>> probes;

    // The index's rows, kept in memory after the first read: a rescan then joins the walk
    // against them by (device, inode) instead of reading every row back. Every write goes
    // through write() or setFavorites(), which change the database first and the mirror after.
    mutable std::mutex mirrorLock;
    mutable bool mirrorLoaded = false;
    mutable std::vector<IndexRow> rows;
    mutable QHash<QString, std::size_t> rowOfId;
    mutable QHash<QPair<std::uint64_t, std::uint64_t>, std::size_t> rowOfFile;
    mutable QHash<QByteArray, std::size_t> rowOfPath;
    // What content checks learnt, by file, as the index holds it.
    mutable QHash<QPair<std::uint64_t, std::uint64_t>, ContentRecord> contents;
    std::atomic<std::int64_t> contentBytesRead{0};
    // Fingerprints, by file, as the index holds them.
    mutable QHash<QPair<std::uint64_t, std::uint64_t>, FingerprintRecord> fingerprints;
    mutable std::atomic<std::int64_t> fingerprintsMade{0};

    static QPair<std::uint64_t, std::uint64_t> fileKey(const FileStat &stat) {
        return {stat.device, stat.inode};
    }

    void loadMirrorLocked() const {
        if (mirrorLoaded)
            return;
        rows = index->rows();
        rowOfId.clear();
        rowOfFile.clear();
        rowOfPath.clear();
        rowOfId.reserve(qsizetype(rows.size()));
        rowOfFile.reserve(qsizetype(rows.size()));
        rowOfPath.reserve(qsizetype(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            indexRowLocked(i);
        contents.clear();
        for (ContentRecord &record : index->contentRecords())
            contents.insert({record.key.device, record.key.inode}, std::move(record));
        fingerprints.clear();
        for (FingerprintRecord &record : index->fingerprintRecords())
            fingerprints.insert({record.key.device, record.key.inode}, std::move(record));
        mirrorLoaded = true;
    }

    void indexRowLocked(std::size_t at) const {
        rowOfId.insert(rows[at].id, at);
        rowOfFile.insert(fileKey(rows[at].stat), at);
        rowOfPath.insert(rows[at].path, at);
    }

    // Forgets where row `at` is found, leaving lookups that another row now answers alone.
    void unindexRowLocked(std::size_t at) const {
        rowOfId.remove(rows[at].id);
        if (const auto file = rowOfFile.constFind(fileKey(rows[at].stat));
            file != rowOfFile.cend() && *file == at)
            rowOfFile.erase(file);
        if (const auto path = rowOfPath.constFind(rows[at].path);
            path != rowOfPath.cend() && *path == at)
            rowOfPath.erase(path);
    }

    void removeRowLocked(std::size_t i) const {
        unindexRowLocked(i);
        const std::size_t last = rows.size() - 1;
        if (i != last) {
            unindexRowLocked(last);
            rows[i] = std::move(rows[last]);
            indexRowLocked(i);
        }
        rows.pop_back();
    }

    void rememberLocked(const std::vector<IndexRow> &upserts, const QStringList &removals) const {
        for (const QString &id : removals) {
            if (const auto it = rowOfId.constFind(id); it != rowOfId.cend())
                removeRowLocked(*it);
        }
        for (const IndexRow &row : upserts) {
            // A row takes over its path from any other row that held it.
            if (const auto it = rowOfPath.constFind(row.path);
                it != rowOfPath.cend() && rows[*it].id != row.id)
                removeRowLocked(*it);
            if (const auto it = rowOfId.constFind(row.id); it != rowOfId.cend()) {
                const std::size_t at = *it;
                unindexRowLocked(at);
                rows[at] = row;
                indexRowLocked(at);
            } else {
                rows.push_back(row);
                indexRowLocked(rows.size() - 1);
            }
        }
    }

    // The session always sees what it learnt; the index keeps what the disk refused for the
    // next write that succeeds (see LibraryIndex::write).
    void writeLocked(const std::vector<IndexRow> &upserts, const QStringList &removals) const {
        index->write(upserts, removals);
        if (mirrorLoaded)
            rememberLocked(upserts, removals);
    }

    void write(const std::vector<IndexRow> &upserts, const QStringList &removals) const {
        std::lock_guard lock(mirrorLock);
        writeLocked(upserts, removals);
    }

    // A session copy of the index is given up for the file as soon as the file can be used
    // again: another program let go of it, space or permissions came back.
    void reconnectLocked() const {
        if (index->access() == IndexAccess::writable)
            return;
        auto reopened = LibraryIndex::open(indexPath, nullptr, std::chrono::milliseconds(200));
        if (!reopened || reopened->access() != IndexAccess::writable)
            return;
        index = std::move(reopened);
        mirrorLoaded = false;
    }

    // Kept for this session even when the disk refuses them, as rows are.
    void rememberContent(const std::vector<ContentRecord> &records) const {
        std::lock_guard lock(mirrorLock);
        index->writeContent(records);
        for (const ContentRecord &record : records)
            contents.insert({record.key.device, record.key.inode}, record);
    }

    // The fingerprint made of the file as it is now, if one was tried: empty when it could not
    // be made.
    const FingerprintRecord *fingerprintLocked(const FileStat &stat) const {
        const auto it = fingerprints.constFind(fileKey(stat));
        return it != fingerprints.cend() && it->key == contentKey(stat) ? &*it : nullptr;
    }

    // Whether the file as it is now needs no fingerprinting: it has a fingerprint, could not have
    // one, or has been set aside.
    bool wasFingerprinted(const FileStat &stat) const {
        std::lock_guard lock(mirrorLock);
        const FingerprintRecord *record = fingerprintLocked(stat);
        return record
               && (record->helperFailures == 0
                   || record->helperFailures >= helperFailuresToSetAside);
    }

    // Seen by this session at once, and kept for it even when the disk refuses them, as rows
    // are; written to the index with the rows of the same scan (see storeFingerprints).
    void rememberFingerprints(const std::vector<FingerprintRecord> &records) const {
        std::lock_guard lock(mirrorLock);
        for (const FingerprintRecord &record : records)
            fingerprints.insert({record.key.device, record.key.inode}, record);
    }

    void storeFingerprints(const std::vector<FingerprintRecord> &records) const {
        if (records.empty())
            return;
        std::lock_guard lock(mirrorLock);
        index->writeFingerprints(records);
    }

    // Fingerprints the row's video as its file is now. Empty when the read said nothing about the
    // file (it could not be opened, no helper could start), which is tried again at the next
    // pass. A helper that crashed, hung or ran out of time on it is counted against the file.
    std::optional<FingerprintRecord> fingerprint(const IndexRow &row, MediaProbe &probe) const {
        ++fingerprintsMade;
        FingerprintReading reading = probe.fingerprint(row.path);
        if (tookHelperDown(reading.failure)) {
            std::lock_guard lock(mirrorLock);
            const FingerprintRecord *earlier = fingerprintLocked(row.stat);
            return FingerprintRecord{
                contentKey(row.stat), {}, earlier ? earlier->helperFailures + 1 : 1};
        }
        if (reading.failure != ReadFailure::none)
            return std::nullopt;
        return FingerprintRecord{contentKey(row.stat), std::move(reading.fingerprint)};
    }

    // What the file system says of the row's file, and what a content check and a fingerprint
    // remember of it while the file is as scanned.
    FileFacts factsOf(const IndexRow &row) const {
        FileFacts facts;
        facts.freedBytes = freedBytes(row.stat, 1 + row.links.size());
        const std::int64_t ns = row.stat.bornNs ? row.stat.bornNs : row.stat.modifiedNs;
        facts.fileTime = Instant(std::chrono::microseconds(ns / 1000));
        facts.pathLength = std::int32_t(QFile::decodeName(row.path).toUcs4().size());
        std::lock_guard lock(mirrorLock);
        if (const auto it = contents.constFind(fileKey(row.stat));
            it != contents.cend() && it->key == contentKey(row.stat) && !it->digest.isEmpty()) {
            facts.contentChecked = true;
            facts.contentDigest = it->digest;
        }
        // A file that could not be fingerprinted has no fingerprint, whatever its record holds.
        if (const FingerprintRecord *record = fingerprintLocked(row.stat);
            record && !record->fingerprint.isEmpty())
            facts.fingerprint = record->fingerprint;
        return facts;
    }

    bool setFavorites(const std::vector<std::pair<QString, bool>> &changes, QString *error) const {
        std::lock_guard lock(mirrorLock);
        if (!index->setFavorites(changes, error))
            return false;
        for (const auto &[id, favorite] : changes) {
            if (const auto it = rowOfId.constFind(id); it != rowOfId.cend())
                rows[*it].favorite = favorite;
        }
        return true;
    }

    // Reads the container for the figures only it knows, and takes the file system's dates
    // where it has none.
    static void readContainer(IndexRow &row, MediaProbe &probe) {
        const ContainerInfo info = probe.probe(row.path);
        // A read that says nothing about the file is shown as unplayable for now and tried again
        // at the next scan, unless the file keeps taking the helper down with it.
        row.helperFailures = tookHelperDown(info.failure) ? row.helperFailures + 1 : 0;
        row.read =
            info.failure == ReadFailure::none || row.helperFailures >= helperFailuresToSetAside;
        row.playable = info.opened && info.hasVideo;
        row.duration = info.opened && info.duration >= 0 ? info.duration : 0;
        row.pixelWidth = info.pixelWidth;
        row.pixelHeight = info.pixelHeight;
        if (info.creationTimeMicros)
            row.creationMicros = info.creationTimeMicros;
        else if (row.stat.bornNs)
            row.creationMicros = row.stat.bornNs / 1000;
        else if (row.stat.modifiedNs)
            row.creationMicros = row.stat.modifiedNs / 1000;
        else
            row.creationMicros.reset();
    }

    // The library-held size is offered only for rows that were current before this read, so a
    // video read for the first time counts as the slow path it is.
    AssetPtr assetFor(const IndexRow &row, bool withLibrarySize) const {
        auto asset = std::make_shared<PlatformAsset>();
        asset->file = factsOf(row);
        asset->localIdentifier = row.id;
        if (row.creationMicros)
            asset->creationDate = Instant(std::chrono::microseconds(*row.creationMicros));
        asset->duration = row.duration;
        asset->pixelWidth = row.pixelWidth;
        asset->pixelHeight = row.pixelHeight;
        asset->isFavorite = row.favorite;
        asset->mediaSubtypes = row.screenRecording ? screenRecordingSubtype : 0;
        asset->members.set(members::originalFilename,
                           ObjectMember{QFile::decodeName(fileName(row.path))});
        if (withLibrarySize)
            asset->members.set(members::fileSize, SignedMember{occupiedBytes(row.stat)});
        return asset;
    }

    // The row as the last scan recorded it, whether or not its file is still there.
    std::optional<IndexRow> indexedRow(const QString &id) const {
        std::lock_guard lock(mirrorLock);
        loadMirrorLocked();
        if (const auto it = rowOfId.constFind(id); it != rowOfId.cend())
            return rows[*it];
        return std::nullopt;
    }

    // Thumbnails have helpers of their own, so that they never wait for a scan's reading.
    std::unique_ptr<Thumbnailer> thumbnailer;

    // Exports copy on threads of their own, so that a long copy holds up no other request.
    // They hold no reference to the library, and the library waits for them when it goes.
    std::mutex exportLock;
    std::vector<std::jthread> exports;

    // The rows of `identifiers` whose files are still where the index says, as they are now.
    std::vector<IndexRow> existingRows(const QStringList &identifiers) const {
        std::vector<IndexRow> found;
        for (const QString &id : identifiers) {
            std::optional<IndexRow> row;
            {
                std::lock_guard lock(mirrorLock);
                loadMirrorLocked();
                if (const auto it = rowOfId.constFind(id); it != rowOfId.cend())
                    row = rows[*it];
            }
            FileStat now;
            bool regular = false;
            if (row && statFile(row->path, now, &regular) && regular && sameFile(now, row->stat)) {
                now.sharedBytes = row->stat.sharedBytes; // as the walk measured it
                row->stat = now;
                found.push_back(std::move(*row));
            }
        }
        std::sort(found.begin(), found.end(), newerFirst);
        found.erase(std::unique(found.begin(), found.end(),
                                [](const IndexRow &a, const IndexRow &b) { return a.id == b.id; }),
                    found.end());
        return found;
    }
};

namespace {

// The scan's fetch: fixed at the walk; a video is read the first time the scan asks for it.
class ScanFetch final : public AssetFetchResult {
public:
    ScanFetch(std::shared_ptr<const FolderPlatform::Library> library, std::vector<IndexRow> rows,
              std::vector<bool> current)
        : m_library(std::move(library))
        , m_rows(std::move(rows))
        , m_current(std::move(current))
        , m_read(m_rows.size(), false) {}
    ~ScanFetch() override { flush(); }

    std::int64_t count() const override { return std::int64_t(m_rows.size()); }

    AssetPtr at(std::int64_t index) const override {
        std::lock_guard lock(m_lock);
        if (index < 0 || index >= count())
            return nullptr;
        const auto i = std::size_t(index);
        if (needsReading(i))
            readAheadFrom(i);
        // A video read during this scan has no library-held size yet: it took the slow path.
        return m_library->assetFor(m_rows[i], m_current[i]);
    }

private:
    void flush() const {
        std::lock_guard lock(m_lock);
        flushLocked();
    }
    void flushLocked() const {
        m_library->write(m_unwritten, {});
        m_unwritten.clear();
    }

    // A video is read when the index has nothing current of it. Fingerprints are made after
    // the scan (see fingerprintVideos): they cost far more than a container's read.
    bool needsReading(std::size_t i) const { return !m_read[i] && !m_current[i]; }

    void readAheadFrom(std::size_t first) const {
        std::vector<std::size_t> batch;
        for (std::size_t i = first; i < m_rows.size() && batch.size() < readAhead; ++i) {
            if (needsReading(i)) {
                batch.push_back(i);
                m_read[i] = true;
            }
        }
        const auto &probes = m_library->probes;
        const auto readShare = [&](std::size_t helper) {
            for (std::size_t k = helper; k < batch.size(); k += probes.size())
                m_library->readContainer(m_rows[batch[k]], *probes[helper]);
        };
        std::vector<std::thread> others;
        for (std::size_t helper = 1; helper < probes.size() && helper < batch.size(); ++helper)
            others.emplace_back(readShare, helper);
        readShare(0);
        for (std::thread &other : others)
            other.join();
        for (std::size_t k : batch)
            m_unwritten.push_back(m_rows[k]);
        if (m_unwritten.size() >= writeBatch)
            flushLocked();
    }

    std::shared_ptr<const FolderPlatform::Library> m_library;
    mutable std::mutex m_lock;
    mutable std::vector<IndexRow> m_rows;
    const std::vector<bool> m_current; // current in the index when the walk found it
    mutable std::vector<bool> m_read;  // read during this scan
    mutable std::vector<IndexRow> m_unwritten;
};

class RowFetch final : public AssetFetchResult {
public:
    RowFetch(std::shared_ptr<const FolderPlatform::Library> library, std::vector<IndexRow> rows)
        : m_library(std::move(library))
        , m_rows(std::move(rows)) {}
    std::int64_t count() const override { return std::int64_t(m_rows.size()); }
    AssetPtr at(std::int64_t index) const override {
        if (index < 0 || index >= count())
            return nullptr;
        const IndexRow &row = m_rows[std::size_t(index)];
        return m_library->assetFor(row, row.read);
    }

private:
    std::shared_ptr<const FolderPlatform::Library> m_library;
    std::vector<IndexRow> m_rows;
};

PlatformError folderError(const QString &description);

class FolderImageManager final : public ImageManager {
public:
    explicit FolderImageManager(std::shared_ptr<const FolderPlatform::Library> library)
        : m_library(std::move(library)) {}

    // Answered before it returns, on the calling thread; there is nothing left to cancel.
    RequestId requestImage(const AssetPtr &asset, double targetWidth, double targetHeight,
                           ContentMode mode, const ImageRequestOptions &options,
                           ImageHandler handler) override {
        const RequestId id = ++m_lastRequest;
        const std::vector<IndexRow> rows =
            asset ? m_library->existingRows({asset->localIdentifier}) : std::vector<IndexRow>{};
        const auto pixels = [](double size) {
            return std::isfinite(size) ? int(std::clamp(std::ceil(size), 1.0, 4096.0)) : 0;
        };
        const int width = pixels(targetWidth);
        const int height = pixels(targetHeight);
        if (rows.empty() || !m_library->thumbnailer || width == 0 || height == 0) {
            ImageResultInfo info;
            info.error = folderError(QCoreApplication::translate(
                "FolderLibrary", "The video is no longer in the library."));
            handler(std::nullopt, info);
            return id;
        }
        const IndexRow &row = rows.front();
        Thumbnailer::Video video{row.path, row.stat.modifiedNs, row.stat.size, row.pixelWidth,
                                 row.pixelHeight};
        m_library->thumbnailer->make(
            video, width, height, mode, options.deliveryMode == ImageDeliveryMode::opportunistic,
            [&](std::optional<QImage> image, bool degraded, const QString &error) {
                ImageResultInfo info;
                info.degraded = degraded;
                if (!image)
                    info.error = folderError(error);
                handler(std::move(image), info);
            });
        return id;
    }
    void cancelImageRequest(RequestId) override {}

    void requestMedia(const AssetPtr &asset, const VideoRequestOptions &,
                      MediaHandler handler) override {
        const std::vector<IndexRow> rows =
            asset ? m_library->existingRows({asset->localIdentifier}) : std::vector<IndexRow>{};
        if (rows.empty()) {
            handler(std::nullopt, MediaResultInfo{});
            return;
        }
        const IndexRow &row = rows.front();
        handler(MediaAsset{QFile::decodeName(row.path), true, row.playable, row.duration},
                MediaResultInfo{});
    }

private:
    std::shared_ptr<const FolderPlatform::Library> m_library;
    std::atomic<RequestId> m_lastRequest{0};
};

PlatformError folderError(const QString &description) {
    return PlatformError{QStringLiteral("org.orsenta.FolderLibrary"), 1, description};
}

// Whether `now` still has the content figures the scan recorded, whatever its change time.
bool sameContent(const FileStat &now, const FileStat &scanned) {
    return now.device == scanned.device && now.inode == scanned.inode && now.size == scanned.size
           && now.modifiedNs == scanned.modifiedNs && now.bornNs == scanned.bornNs;
}

// Moves every path of one video in the library, each checked just before it moves, and stops
// at the first that stays: the video has gone only when all of its links have. Moving a link
// changes the file's change time, so the next link is checked against the file as it is now,
// provided its content is still what the scan saw. The error names the link that stayed.
TrashBatch trashVideo(const QString &id, const std::optional<IndexRow> &row) {
    if (!row)
        return moveAllToTrash({TrashItem{id, {}, {}}});
    TrashBatch video;
    FileStat expected = row->stat;
    const QList<QByteArray> paths = QList<QByteArray>{row->path} + row->links;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        FileStat now;
        if (i > 0 && statFile(paths[i], now) && sameContent(now, row->stat))
            expected = now;
        TrashBatch link = moveAllToTrash({TrashItem{id, paths[i], expected}});
        std::move(link.trashed.begin(), link.trashed.end(), std::back_inserter(video.trashed));
        if (link.moved.isEmpty()) {
            video.error = link.error;
            return video;
        }
    }
    video.moved = {id};
    return video;
}

// The rows of the moved videos leave the index, and the move is remembered for putting back.
// Some may go and others stay: the outcome then names exactly those that went.
ChangeOutcome trashVideos(const FolderPlatform::Library &library,
                          const std::vector<AssetPtr> &assets, LastDeletion &lastDeletion) {
    QStringList moved;
    QStringList errors;
    std::vector<TrashedFile> trashed;
    QSet<QString> seen;
    for (const AssetPtr &asset : assets) {
        if (!asset || seen.contains(asset->localIdentifier))
            continue;
        seen.insert(asset->localIdentifier);
        TrashBatch batch =
            trashVideo(asset->localIdentifier, library.indexedRow(asset->localIdentifier));
        moved += batch.moved;
        std::move(batch.trashed.begin(), batch.trashed.end(), std::back_inserter(trashed));
        if (!batch.error.isEmpty())
            errors << batch.error;
    }
    if (!trashed.empty())
        lastDeletion.remember(trashed, [&](const QString &id) { return library.indexedRow(id); });
    if (moved.isEmpty())
        return ChangeOutcome{false, folderError(errors.join(u'\n')), std::nullopt};
    // A failed removal leaves rows whose files are gone; the next scan drops them.
    library.write({}, moved);
    std::optional<PlatformError> error;
    if (!errors.isEmpty())
        error = folderError(errors.join(u'\n'));
    return ChangeOutcome{true, error, moved};
}

} // namespace

FolderPlatform::FolderPlatform(FolderPlatformOptions options)
    : m_library(std::make_shared<Library>()) {
    QString indexPath = options.indexPath;
    if (indexPath.isEmpty())
        indexPath = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                    + QStringLiteral("/orsenta/library.sqlite3");
    QString helper = options.probeHelperPath;
    if (helper.isEmpty()) {
        // Beside the application in a build folder; under libexec once installed, where helpers
        // that no one runs by hand belong.
        const QString folder = QCoreApplication::applicationDirPath();
        helper = folder + QStringLiteral("/orsenta-probe");
        const QString installed =
            QDir::cleanPath(folder + QStringLiteral("/../libexec/orsenta/orsenta-probe"));
        if (!QFileInfo::exists(helper) && QFileInfo::exists(installed))
            helper = installed;
    }

    m_library->indexPath = indexPath;
    m_library->index = LibraryIndex::open(indexPath, &m_indexNote);
    m_indexFolder = QFile::encodeName(indexPath.left(indexPath.lastIndexOf(u'/')));
    if (options.roots)
        m_roots = *options.roots;
    else
        m_roots = libraryRootsOf(
            options.folders.isEmpty() ? desktopLibraryFolders() : options.folders, m_indexFolder);
    m_library->walkThreads = options.walkThreads;
    for (int i = 0; i < readAheadHelpers; ++i)
        m_library->probes.push_back(std::make_unique<MediaProbe>(helper));
    m_library->thumbnailer = std::make_unique<Thumbnailer>(helper);
    m_defaultManager = std::make_unique<FolderImageManager>(m_library);
    m_lastDeletion = std::make_unique<LastDeletion>(indexPath);
}

FolderPlatform::~FolderPlatform() = default;

LibraryRoots FolderPlatform::roots() const {
    std::lock_guard lock(m_lock);
    return m_roots;
}

void FolderPlatform::setFolders(const QList<QByteArray> &folders) {
    LibraryRoots roots = libraryRootsOf(folders, m_indexFolder);
    {
        std::lock_guard lock(m_lock);
        m_roots = roots;
    }
    // The old watcher ends outside the lock: its thread may be waiting for it to tell a change.
    std::unique_ptr<ChangeWatcher> old;
    {
        std::lock_guard lock(m_observerLock);
        if (m_watcher) {
            old = std::exchange(m_watcher, std::make_unique<ChangeWatcher>(std::move(roots)));
            m_watcher->addObserver([this] { notifyObservers(); });
        }
    }
}

std::int64_t FolderPlatform::indexedVideosUnder(const QByteArray &folder) const {
    const QString name = QFile::decodeName(folder);
    const QString canonical = QFileInfo(name).canonicalFilePath();
    const QByteArray path =
        QFile::encodeName(canonical.isEmpty() ? QDir::cleanPath(name) : canonical);
    std::lock_guard lock(m_library->mirrorLock);
    m_library->loadMirrorLocked();
    return std::count_if(m_library->rows.cbegin(), m_library->rows.cend(),
                         [&](const IndexRow &row) { return isInside(row.path, path); });
}

AuthorizationStatus FolderPlatform::authorizationStatus() const {
    std::lock_guard lock(m_lock);
    return m_status.value_or(AuthorizationStatus::notDetermined);
}

void FolderPlatform::requestAuthorization(std::function<void(AuthorizationStatus)> handler) {
    const AuthorizationStatus status = checkAccess(roots());
    {
        std::lock_guard lock(m_lock);
        m_status = status;
    }
    handler(status);
}

FetchOptions FolderPlatform::makeFetchOptions() {
    // The index always holds the original metadata, so there is nothing to ask for.
    FetchOptions options;
    MethodMember addPropertySets;
    addPropertySets.invoke = [](const ObjectValue &) {};
    options.members.set(members::addFetchPropertySets, addPropertySets);
    return options;
}

std::unique_ptr<AssetFetchResult> FolderPlatform::fetchVideoAssets(const FetchOptions &) {
    Library &library = *m_library;
    const LibraryRoots roots = this->roots();
    const WalkResult walk = walkLibrary(roots, library.walkThreads);
    std::lock_guard lock(library.mirrorLock);
    library.reconnectLocked();
    library.loadMirrorLocked();
    const std::vector<IndexRow> &known = library.rows;

    std::vector<bool> claimed(known.size(), false);
    std::vector<IndexRow> listed;
    std::vector<bool> current;
    std::vector<IndexRow> changed;
    listed.reserve(walk.files.size());
    current.reserve(walk.files.size());
    const auto list = [&](IndexRow row, bool isCurrent, bool rowChanged) {
        if (rowChanged)
            changed.push_back(row);
        listed.push_back(std::move(row));
        current.push_back(isCurrent);
    };

    // First the files still at their path, so that a move found later cannot take their row.
    std::vector<const WalkedFile *> elsewhere;
    for (const WalkedFile &file : walk.files) {
        const auto it = library.rowOfFile.constFind(Library::fileKey(file.stat));
        if (it == library.rowOfFile.cend() || known[*it].path != file.path
            || !sameFile(known[*it].stat, file.stat)) {
            elsewhere.push_back(&file); // new, moved here, or a new file under an old name
            continue;
        }
        claimed[*it] = true;
        // What the walk measures afresh is not stored: the mirror takes it as it is.
        IndexRow &mirrored = library.rows[*it];
        mirrored.links = file.links;
        mirrored.stat.linkCount = file.stat.linkCount;
        mirrored.stat.sharedBytes = file.stat.sharedBytes;
        IndexRow row = mirrored;
        const bool isCurrent = row.read && unchanged(row.stat, file.stat);
        const bool rowChanged = !isCurrent || row.stat.changedNs != file.stat.changedNs;
        if (!unchanged(row.stat, file.stat))
            row.helperFailures = 0;
        row.read = isCurrent;
        row.stat = file.stat;
        list(std::move(row), isCurrent, rowChanged);
    }

    // Then moves within the library (same file, same size, another path) keep their identity and
    // favourite; everything else is a new video.
    std::map<std::pair<std::uint64_t, std::uint64_t>, bool> salvagedByFile;
    QHash<QByteArray, bool> salvagedByPath;
    for (const LibraryIndex::Salvaged &s : library.index->takeSalvaged()) {
        salvagedByFile[{s.stat.device, s.stat.inode}] = true;
        salvagedByPath.insert(s.path, true);
    }
    for (const WalkedFile *file : elsewhere) {
        const auto it = library.rowOfFile.constFind(Library::fileKey(file->stat));
        if (it != library.rowOfFile.cend() && !claimed[*it] && sameFile(known[*it].stat, file->stat)
            && known[*it].stat.size == file->stat.size) {
            claimed[*it] = true;
            IndexRow row = known[*it];
            const bool isCurrent = row.read && row.stat.modifiedNs == file->stat.modifiedNs;
            if (row.stat.modifiedNs != file->stat.modifiedNs)
                row.helperFailures = 0;
            row.read = isCurrent;
            row.path = file->path;
            row.stat = file->stat;
            row.links = file->links;
            list(std::move(row), isCurrent, true);
            continue;
        }
        IndexRow row;
        row.id = mintIdentifier();
        row.path = file->path;
        row.stat = file->stat;
        row.links = file->links;
        row.screenRecording = looksLikeScreenRecording(file->path);
        row.favorite = salvagedByPath.contains(file->path)
                       || salvagedByFile.count({file->stat.device, file->stat.inode}) > 0;
        list(std::move(row), false, true);
    }

    // A row leaves the index only when its folder was read and the file is not in it: the
    // videos of a folder that is missing or cannot be read keep their identity and favourite.
    std::vector<bool> kept;
    const std::vector<AbsentFolder> absent = absentFolders(roots, walk, known, claimed, kept);
    QStringList vanished;
    for (std::size_t i = 0; i < known.size(); ++i) {
        if (!claimed[i] && !kept[i])
            vanished.append(known[i].id);
    }
    library.writeLocked(changed, vanished);
    {
        std::lock_guard conditionLock(m_lock);
        m_absent = absent;
    }

    std::vector<std::size_t> order(listed.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return newerFirst(listed[a], listed[b]); });
    std::vector<IndexRow> orderedRows;
    std::vector<bool> orderedCurrent;
    orderedRows.reserve(order.size());
    orderedCurrent.reserve(order.size());
    for (std::size_t i : order) {
        orderedRows.push_back(std::move(listed[i]));
        orderedCurrent.push_back(current[i]);
    }
    return std::make_unique<ScanFetch>(m_library, std::move(orderedRows),
                                       std::move(orderedCurrent));
}

std::unique_ptr<AssetFetchResult> FolderPlatform::fetchAssets(const QStringList &identifiers) {
    return std::make_unique<RowFetch>(m_library, m_library->existingRows(identifiers));
}

std::vector<AssetResource> FolderPlatform::assetResources(const AssetPtr &asset) {
    if (!asset)
        return {};
    const std::vector<IndexRow> rows = m_library->existingRows({asset->localIdentifier});
    if (rows.empty())
        return {};
    AssetResource resource;
    resource.assetLocalIdentifier = asset->localIdentifier;
    resource.type = resourcetype::video;
    resource.originalFilename = QFile::decodeName(fileName(rows.front().path));
    resource.dataSize = occupiedBytes(rows.front().stat);
    return {resource};
}

void FolderPlatform::writeResourceData(const AssetResource &resource,
                                       const QString &destinationPath,
                                       const ResourceRequestOptions &, WriteCompletion completion) {
    const std::optional<IndexRow> row = m_library->indexedRow(resource.assetLocalIdentifier);
    if (!row) {
        completion(folderError(QCoreApplication::translate(
            "FolderLibrary", "The video is no longer in the library.")));
        return;
    }
    std::lock_guard lock(m_library->exportLock);
    m_library->exports.emplace_back([source = row->path, stat = row->stat,
                                     destination = QFile::encodeName(destinationPath),
                                     completion = std::move(completion)] {
        const CopyResult copied = copyToNewFile(source, destination, &stat);
        completion(copied.ok() ? std::nullopt : std::optional(folderError(copied.message)));
    });
}

ImageManager &FolderPlatform::defaultImageManager() {
    return *m_defaultManager;
}

std::unique_ptr<ImageManager> FolderPlatform::makeCachingImageManager() {
    return std::make_unique<FolderImageManager>(m_library);
}

void FolderPlatform::performChanges(ChangeRequest request, ChangeCompletion completion) {
    if (!request.deletions.empty()) {
        completion(trashVideos(*m_library, request.deletions, *m_lastDeletion));
        return;
    }
    std::vector<std::pair<QString, bool>> favorites;
    for (const auto &[asset, favorite] : request.favorites)
        favorites.emplace_back(asset->localIdentifier, favorite);
    QString error;
    if (!m_library->setFavorites(favorites, &error)) {
        completion(ChangeOutcome{false, folderError(error), std::nullopt});
        return;
    }
    completion(ChangeOutcome{true, std::nullopt, std::nullopt});
}

ObserverId FolderPlatform::registerChangeObserver(std::function<void()> onChange) {
    std::lock_guard lock(m_observerLock);
    if (!m_watcher) {
        m_watcher = std::make_unique<ChangeWatcher>(roots());
        m_watcher->addObserver([this] { notifyObservers(); });
    }
    const ObserverId id = m_nextObserver++;
    m_observers.emplace(id, std::move(onChange));
    return id;
}

void FolderPlatform::unregisterChangeObserver(ObserverId observer) {
    std::lock_guard lock(m_observerLock);
    m_observers.erase(observer);
}

// Called without the lock held, since an observer may register or unregister.
void FolderPlatform::notifyObservers() {
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(m_observerLock);
        for (const auto &[id, observer] : m_observers)
            observers.push_back(observer);
    }
    for (const auto &observer : observers)
        observer();
}

ContentDigests
FolderPlatform::checkContent(const std::vector<QStringList> &sizeGroups,
                             const std::function<void(ContentCheckProgress)> &progress,
                             std::stop_token cancellation) {
    const Library &library = *m_library;
    std::vector<std::vector<ContentMember>> groups;
    groups.reserve(sizeGroups.size());
    {
        std::lock_guard lock(library.mirrorLock);
        library.loadMirrorLocked();
        QSet<QString> seen;
        for (const QStringList &ids : sizeGroups) {
            std::vector<ContentMember> &group = groups.emplace_back();
            for (const QString &id : ids) {
                const auto it = library.rowOfId.constFind(id);
                if (it == library.rowOfId.cend() || seen.contains(id))
                    continue;
                seen.insert(id);
                const IndexRow &row = library.rows[*it];
                ContentMember member{id, row.path, row.stat, std::nullopt};
                if (const auto cached = library.contents.constFind(Library::fileKey(row.stat));
                    cached != library.contents.cend() && cached->key == contentKey(row.stat))
                    member.cached = *cached;
                group.push_back(std::move(member));
            }
        }
    }
    ContentCheckResult result =
        checkGroups(groups, progress, std::move(cancellation), m_library->contentBytesRead);
    if (!result.learnt.empty())
        library.rememberContent(result.learnt);
    return std::move(result.digests);
}

std::int64_t FolderPlatform::contentBytesRead() const {
    return m_library->contentBytesRead.load();
}

VideoFingerprints
FolderPlatform::fingerprintVideos(const QStringList &identifiers,
                                  const std::function<void(FingerprintProgress)> &progress,
                                  std::stop_token cancellation) {
    const Library &library = *m_library;
    std::vector<std::pair<QString, IndexRow>> wanted;
    for (IndexRow &row : library.existingRows(identifiers)) {
        if (row.playable && !library.wasFingerprinted(row.stat))
            wanted.emplace_back(row.id, std::move(row));
    }
    const auto total = std::int64_t(wanted.size());
    std::vector<std::optional<FingerprintRecord>> made(wanted.size());
    std::atomic<std::int64_t> done{0};
    if (progress)
        progress({0, total});
    // Each helper takes every n-th video; what is made is kept, in the index too, as it comes,
    // so that a pass stopped half-way need not start over.
    const auto &probes = library.probes;
    std::mutex keeping;
    const auto share = [&](std::size_t helper) {
        for (std::size_t k = helper; k < wanted.size(); k += probes.size()) {
            if (cancellation.stop_requested())
                return;
            made[k] = library.fingerprint(wanted[k].second, *probes[helper]);
            if (made[k]) {
                std::lock_guard lock(keeping);
                library.rememberFingerprints({*made[k]});
                library.storeFingerprints({*made[k]});
            }
            const std::int64_t count = ++done;
            if (progress)
                progress({count, total});
        }
    };
    std::vector<std::thread> others;
    for (std::size_t helper = 1; helper < probes.size() && helper < wanted.size(); ++helper)
        others.emplace_back(share, helper);
    share(0);
    for (std::thread &other : others)
        other.join();
    VideoFingerprints fingerprints;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        if (made[k] && !made[k]->fingerprint.isEmpty())
            fingerprints.emplace(wanted[k].first, std::move(made[k]->fingerprint));
    }
    return fingerprints;
}

std::int64_t FolderPlatform::fingerprintsMade() const {
    return m_library->fingerprintsMade.load();
}

LibraryCondition FolderPlatform::libraryCondition() const {
    LibraryCondition condition;
    {
        std::lock_guard lock(m_library->mirrorLock);
        condition.indexProblem = m_library->index->problem();
    }
    std::lock_guard lock(m_lock);
    condition.absentFolders = m_absent;
    return condition;
}

LibraryTrash FolderPlatform::libraryTrash() const {
    return measureLibraryTrash(roots());
}

bool FolderPlatform::canRestoreLastDeletion() const {
    return !m_lastDeletion->isEmpty();
}

// The files come back into watched folders, so observers hear of them as of any other change.
RestoreOutcome FolderPlatform::restoreLastDeletion() {
    PutBack back = putBackFromTrash(m_lastDeletion->take());
    if (!back.rows.empty())
        m_library->write(back.rows, {});
    return back.outcome;
}

} // namespace orsenta::platform
