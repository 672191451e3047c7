// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library's own database: one row per video with the identifier minted for it, where it
// is, the file system's figures it was read with, what its container said, and the favourite
// flag; what content checks learnt of each file, and each video's fingerprint. Rebuilt by a scan
// when lost; only favourites cannot be rebuilt, so only a database that SQLite calls damaged is
// moved aside, with the favourites salvaged where its rows can still be read. A database that is
// busy, read-only or on a full disk is kept as it is: the session then works on a copy in memory,
// or keeps its writes until the disk takes them.

#include "contentcheck.h"
#include "directorywalk.h"
#include "model/videofingerprint.h"

#include <QString>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct sqlite3;

namespace orsenta::platform {

struct IndexRow {
    QString id;
    QByteArray path;
    FileStat stat;
    std::optional<std::int64_t> creationMicros; // after reading: tag, birth or change time
    double duration = 0;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    bool favorite = false;
    bool screenRecording = false;
    bool read = false;     // the container has been read for these figures
    bool playable = false; // the container holds a video stream FFmpeg could open
    // Reads of this very file that crashed or hung the helper; at two it is set aside as read
    // and unplayable until it changes, so that a hostile file cannot slow every scan.
    int helperFailures = 0;
    // The file's other paths in the library, as the last walk found them; not stored, since
    // every scan walks them again.
    QList<QByteArray> links;
};

// A fingerprint made of one file (device and inode), valid while its key is the file's. Empty
// frames: the file could not be fingerprinted as it is, or took the helper down while it was.
struct FingerprintRecord {
    ContentKey key;
    VideoFingerprint fingerprint;
    // Fingerprinting attempts in a row that crashed or hung the helper; the file is tried again
    // until a few have, then set aside until it changes, as its container read is.
    int helperFailures = 0;
};

// Whether what the session learns reaches the file.
enum class IndexAccess {
    writable,    // the database on disk, read and written
    inUse,       // another program holds it: a copy in memory for this session
    readOnly,    // it cannot be written (permissions, a read-only or full disk): a copy in memory
    unavailable, // it cannot even be read: an empty database in memory for this session
};

class LibraryIndex {
public:
    // Opens or creates the database at `path`; never null. A database SQLite calls damaged is
    // renamed aside (never deleted) and a new one is made, and `note` says so. Any other failure
    // leaves the file alone and gives a session copy (see access() and problem()). A busy
    // database is waited for up to `busyWait` first.
    static std::unique_ptr<LibraryIndex>
    open(const QString &path, QString *note = nullptr,
         std::chrono::milliseconds busyWait = std::chrono::seconds(5));
    ~LibraryIndex();

    IndexAccess access() const;
    // Why the index is not the writable file, or why writes are waiting; empty when all is well.
    QString problem() const;

    std::vector<IndexRow> rows() const;
    std::optional<IndexRow> row(const QString &id) const;
    // One transaction: every row written, or none. Rows the disk refused (full, busy) are kept
    // and written with the next write that succeeds. True when the rows reached the file: false
    // while any are waiting, and always for a session copy.
    bool write(const std::vector<IndexRow> &upserts, const QStringList &removals);
    // One transaction for the whole change; false, with every flag as it was, on failure. Refused
    // outright for a session copy, where the change would be lost when the application quits.
    bool setFavorites(const std::vector<std::pair<QString, bool>> &changes, QString *error);

    // What content checks learnt, one record per file (device and inode): a record counts only
    // while its key is the file's.
    std::vector<ContentRecord> contentRecords() const;
    // Replaces the records of the same files, and drops those of files no row names any more.
    // Nothing is kept when the disk refuses: the next check reads those files again.
    bool writeContent(const std::vector<ContentRecord> &records);

    // Fingerprints, one record per file. A row's write or removal drops the fingerprint of its
    // file when the file is no longer the one it was made of.
    std::vector<FingerprintRecord> fingerprintRecords() const;
    // Replaces the records of the same files. Nothing is kept when the disk refuses: the next
    // scan fingerprints those files again.
    bool writeFingerprints(const std::vector<FingerprintRecord> &records);

    // Favourites read out of a damaged database that was moved aside, by (device, inode, size)
    // and by path, to give back to the same files at the next scan; emptied by takeSalvaged().
    struct Salvaged {
        FileStat stat;
        QByteArray path;
    };
    std::vector<Salvaged> takeSalvaged();

private:
    LibraryIndex(sqlite3 *db, IndexAccess access, QString problem)
        : m_db(db)
        , m_access(access)
        , m_problem(std::move(problem)) {}
    bool exec(const char *sql) const;
    bool writeLocked(const std::vector<IndexRow> &upserts, const QStringList &removals);

    mutable std::mutex m_lock;
    sqlite3 *m_db;
    const IndexAccess m_access;
    const QString m_problem;
    QString m_writeProblem;                  // the last write the disk refused, until one succeeds
    std::pair<int, int> m_lastFailure{0, 0}; // SQLite's code and errno of the last failed write
    std::vector<IndexRow> m_pendingUpserts;
    QStringList m_pendingRemovals;
    std::vector<Salvaged> m_salvaged;
};

} // namespace orsenta::platform
