#pragma once
// The library's own database: one row per video with the identifier minted for it, where it
// is, the file system's figures it was read with, what its container said, and the favourite
// flag. Rebuilt by a scan when lost; only favourites cannot be rebuilt, so a damaged database is
// moved aside with the favourites salvaged where its rows can still be read.

#include "directorywalk.h"

#include <QString>

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
};

class LibraryIndex {
public:
    // Opens or creates the database at `path`. A database that fails its check or cannot be
    // opened is renamed aside (never deleted) and a new one is made; `note` then says so.
    static std::unique_ptr<LibraryIndex> open(const QString &path, QString *note = nullptr);
    ~LibraryIndex();

    std::vector<IndexRow> rows() const;
    std::optional<IndexRow> row(const QString &id) const;
    // One transaction: every row written, or none.
    bool write(const std::vector<IndexRow> &upserts, const QStringList &removals);
    // One transaction for the whole change; false, with every flag as it was, on failure.
    bool setFavorites(const std::vector<std::pair<QString, bool>> &changes, QString *error);

    // Favourites read out of a damaged database that was moved aside, by (device, inode, size)
    // and by path, to give back to the same files at the next scan; emptied by takeSalvaged().
    struct Salvaged {
        FileStat stat;
        QByteArray path;
    };
    std::vector<Salvaged> takeSalvaged();

private:
    explicit LibraryIndex(sqlite3 *db)
        : m_db(db) {}
    bool exec(const char *sql) const;

    mutable std::mutex m_lock;
    sqlite3 *m_db;
    std::vector<Salvaged> m_salvaged;
};

} // namespace orsenta::platform
