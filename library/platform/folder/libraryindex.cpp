#include "libraryindex.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace orsenta::platform {

namespace {

constexpr int schemaVersion = 1;

const char *const schema = R"(
CREATE TABLE IF NOT EXISTS videos (
    id TEXT PRIMARY KEY,
    path BLOB NOT NULL UNIQUE,
    device INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    size INTEGER NOT NULL,
    allocated INTEGER NOT NULL,
    modified_ns INTEGER NOT NULL,
    changed_ns INTEGER NOT NULL,
    born_ns INTEGER NOT NULL,
    creation_us INTEGER,
    duration REAL NOT NULL DEFAULT 0,
    width INTEGER NOT NULL DEFAULT 0,
    height INTEGER NOT NULL DEFAULT 0,
    favorite INTEGER NOT NULL DEFAULT 0,
    screen_recording INTEGER NOT NULL DEFAULT 0,
    read INTEGER NOT NULL DEFAULT 0,
    playable INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS videos_file ON videos (device, inode);
)";

const char *const columns = "id, path, device, inode, size, allocated, modified_ns, changed_ns, "
                            "born_ns, creation_us, duration, width, height, favorite, "
                            "screen_recording, read, playable";

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt *get() const { return m_stmt; }
    bool step() const { return sqlite3_step(m_stmt) == SQLITE_ROW; }
    int run() const { return sqlite3_step(m_stmt); }
    void reset() const {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

QByteArray selectRows(const char *condition) {
    return QByteArray("SELECT ") + columns + " FROM videos" + condition;
}

QByteArray blobAt(sqlite3_stmt *stmt, int column) {
    return QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                      sqlite3_column_bytes(stmt, column));
}

IndexRow rowAt(sqlite3_stmt *s) {
    IndexRow row;
    row.id = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)));
    row.path = blobAt(s, 1);
    row.stat.device = std::uint64_t(sqlite3_column_int64(s, 2));
    row.stat.inode = std::uint64_t(sqlite3_column_int64(s, 3));
    row.stat.size = sqlite3_column_int64(s, 4);
    row.stat.allocated = sqlite3_column_int64(s, 5);
    row.stat.modifiedNs = sqlite3_column_int64(s, 6);
    row.stat.changedNs = sqlite3_column_int64(s, 7);
    row.stat.bornNs = sqlite3_column_int64(s, 8);
    if (sqlite3_column_type(s, 9) != SQLITE_NULL)
        row.creationMicros = sqlite3_column_int64(s, 9);
    row.duration = sqlite3_column_double(s, 10);
    row.pixelWidth = sqlite3_column_int64(s, 11);
    row.pixelHeight = sqlite3_column_int64(s, 12);
    row.favorite = sqlite3_column_int(s, 13) != 0;
    row.screenRecording = sqlite3_column_int(s, 14) != 0;
    row.read = sqlite3_column_int(s, 15) != 0;
    row.playable = sqlite3_column_int(s, 16) != 0;
    return row;
}

void bindRow(sqlite3_stmt *s, const IndexRow &row) {
    const QByteArray id = row.id.toUtf8();
    sqlite3_bind_text(s, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(s, 2, row.path.constData(), int(row.path.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 3, sqlite3_int64(row.stat.device));
    sqlite3_bind_int64(s, 4, sqlite3_int64(row.stat.inode));
    sqlite3_bind_int64(s, 5, row.stat.size);
    sqlite3_bind_int64(s, 6, row.stat.allocated);
    sqlite3_bind_int64(s, 7, row.stat.modifiedNs);
    sqlite3_bind_int64(s, 8, row.stat.changedNs);
    sqlite3_bind_int64(s, 9, row.stat.bornNs);
    if (row.creationMicros)
        sqlite3_bind_int64(s, 10, *row.creationMicros);
    else
        sqlite3_bind_null(s, 10);
    sqlite3_bind_double(s, 11, row.duration);
    sqlite3_bind_int64(s, 12, row.pixelWidth);
    sqlite3_bind_int64(s, 13, row.pixelHeight);
    sqlite3_bind_int(s, 14, row.favorite);
    sqlite3_bind_int(s, 15, row.screenRecording);
    sqlite3_bind_int(s, 16, row.read);
    sqlite3_bind_int(s, 17, row.playable);
}

sqlite3 *openConnection(const QByteArray &path) {
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

bool execOn(sqlite3 *db, const char *sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Passes SQLite's own check and has a schema we know how to read or upgrade.
bool healthy(sqlite3 *db) {
    Statement check(db, "PRAGMA quick_check");
    if (!check || !check.step())
        return false;
    const char *verdict = reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0));
    if (!verdict || qstrcmp(verdict, "ok") != 0)
        return false;
    Statement version(db, "PRAGMA user_version");
    return version && version.step() && sqlite3_column_int(version.get(), 0) <= schemaVersion;
}

bool prepareSchema(sqlite3 *db) {
    // WAL keeps readers going while a scan writes; FULL makes a finished transaction survive a
    // power cut, which matters for favourites.
    if (!execOn(db, "PRAGMA journal_mode=WAL") || !execOn(db, "PRAGMA synchronous=FULL"))
        return false;
    Statement version(db, "PRAGMA user_version");
    const int current = version && version.step() ? sqlite3_column_int(version.get(), 0) : -1;
    if (current == schemaVersion)
        return true;
    // Version 0 is a new file; later versions add their steps here, in order.
    return execOn(db, "BEGIN IMMEDIATE") && execOn(db, schema)
           && execOn(db, "PRAGMA user_version=1") && execOn(db, "COMMIT");
}

// The favourites of a damaged database, as far as its rows can still be read.
std::vector<LibraryIndex::Salvaged> salvageFavorites(const QByteArray &path) {
    std::vector<LibraryIndex::Salvaged> salvaged;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        Statement read(db, "SELECT path, device, inode, size FROM videos WHERE favorite = 1");
        while (read && read.step()) {
            LibraryIndex::Salvaged s;
            s.path = blobAt(read.get(), 0);
            s.stat.device = std::uint64_t(sqlite3_column_int64(read.get(), 1));
            s.stat.inode = std::uint64_t(sqlite3_column_int64(read.get(), 2));
            s.stat.size = sqlite3_column_int64(read.get(), 3);
            salvaged.push_back(std::move(s));
        }
    }
    sqlite3_close(db);
    return salvaged;
}

// Moves the database and its journal files aside under a name that says when and why.
void moveAside(const QString &path) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(path + suffix))
            QFile::rename(path + suffix, path + QStringLiteral(".damaged-") + stamp + suffix);
    }
}

} // namespace

std::unique_ptr<LibraryIndex> LibraryIndex::open(const QString &path, QString *note) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray encoded = QFile::encodeName(path);
    std::vector<Salvaged> salvaged;
    sqlite3 *db = openConnection(encoded);
    if (!db || !healthy(db) || !prepareSchema(db)) {
        sqlite3_close(db);
        salvaged = salvageFavorites(encoded);
        moveAside(path);
        if (note)
            *note = QStringLiteral("The library index was damaged and has been moved aside; "
                                   "the next scan rebuilds it.");
        db = openConnection(encoded);
        if (!db || !prepareSchema(db)) {
            sqlite3_close(db);
            return nullptr;
        }
    }
    std::unique_ptr<LibraryIndex> index(new LibraryIndex(db));
    index->m_salvaged = std::move(salvaged);
    return index;
}

LibraryIndex::~LibraryIndex() {
    sqlite3_close(m_db);
}

bool LibraryIndex::exec(const char *sql) const {
    return execOn(m_db, sql);
}

std::vector<IndexRow> LibraryIndex::rows() const {
    std::lock_guard lock(m_lock);
    std::vector<IndexRow> rows;
    Statement select(m_db, selectRows("").constData());
    while (select && select.step())
        rows.push_back(rowAt(select.get()));
    return rows;
}

std::optional<IndexRow> LibraryIndex::row(const QString &id) const {
    std::lock_guard lock(m_lock);
    Statement select(m_db, selectRows(" WHERE id = ?").constData());
    const QByteArray key = id.toUtf8();
    sqlite3_bind_text(select.get(), 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    if (select && select.step())
        return rowAt(select.get());
    return std::nullopt;
}

bool LibraryIndex::write(const std::vector<IndexRow> &upserts, const QStringList &removals) {
    if (upserts.empty() && removals.isEmpty())
        return true;
    std::lock_guard lock(m_lock);
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    {
        Statement remove(m_db, "DELETE FROM videos WHERE id = ?");
        for (const QString &id : removals) {
            const QByteArray key = id.toUtf8();
            sqlite3_bind_text(remove.get(), 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            ok = ok && remove.run() == SQLITE_DONE;
            remove.reset();
        }
        // A row may take over a path another row held (a file replaced under its name).
        Statement freePath(m_db, "DELETE FROM videos WHERE path = ? AND id <> ?");
        const QByteArray insert = QByteArray("INSERT OR REPLACE INTO videos (") + columns
                                  + ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
        Statement upsert(m_db, insert.constData());
        for (const IndexRow &row : upserts) {
            const QByteArray key = row.id.toUtf8();
            sqlite3_bind_blob(freePath.get(), 1, row.path.constData(), int(row.path.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(freePath.get(), 2, key.constData(), int(key.size()),
                              SQLITE_TRANSIENT);
            ok = ok && freePath.run() == SQLITE_DONE;
            freePath.reset();
            bindRow(upsert.get(), row);
            ok = ok && upsert.run() == SQLITE_DONE;
            upsert.reset();
        }
    }
    if (ok && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

bool LibraryIndex::setFavorites(const std::vector<std::pair<QString, bool>> &changes,
                                QString *error) {
    std::lock_guard lock(m_lock);
    if (!exec("BEGIN IMMEDIATE")) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    }
    bool ok = true;
    {
        Statement update(m_db, "UPDATE videos SET favorite = ? WHERE id = ?");
        for (const auto &[id, favorite] : changes) {
            const QByteArray key = id.toUtf8();
            sqlite3_bind_int(update.get(), 1, favorite);
            sqlite3_bind_text(update.get(), 2, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            ok = ok && update.run() == SQLITE_DONE;
            update.reset();
        }
    }
    if (ok && exec("COMMIT"))
        return true;
    if (error)
        *error = QString::fromUtf8(sqlite3_errmsg(m_db));
    exec("ROLLBACK");
    return false;
}

std::vector<LibraryIndex::Salvaged> LibraryIndex::takeSalvaged() {
    std::lock_guard lock(m_lock);
    return std::exchange(m_salvaged, {});
}

} // namespace orsenta::platform
