// SPDX-License-Identifier: GPL-3.0-or-later
#include "libraryindex.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace orsenta::platform {

namespace {

constexpr int schemaVersion = 5;
constexpr const char *stampSchemaVersion = "PRAGMA user_version=5";

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
    playable INTEGER NOT NULL DEFAULT 0,
    helper_failures INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS videos_file ON videos (device, inode);
)";

// Added in the third version: what content checks learnt. Nothing else changed, so earlier
// databases keep every row as it is.
const char *const contentSchema = R"(
CREATE TABLE IF NOT EXISTS contents (
    device INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    size INTEGER NOT NULL,
    modified_ns INTEGER NOT NULL,
    changed_ns INTEGER NOT NULL,
    sample BLOB NOT NULL,
    digest BLOB NOT NULL,
    PRIMARY KEY (device, inode)
);
)";

// Added in the fourth version: fingerprints, keyed as contents are. Empty frames mark a file
// that could not be fingerprinted, so that it is tried again only once it changes. The fifth
// version counts the attempts that took the helper down.
const char *const fingerprintSchema = R"(
CREATE TABLE IF NOT EXISTS fingerprints (
    device INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    size INTEGER NOT NULL,
    modified_ns INTEGER NOT NULL,
    changed_ns INTEGER NOT NULL,
    codec BLOB NOT NULL,
    frames BLOB NOT NULL,
    helper_failures INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (device, inode)
);
)";

const char *const columns = "id, path, device, inode, size, allocated, modified_ns, changed_ns, "
                            "born_ns, creation_us, duration, width, height, favorite, "
                            "screen_recording, read, playable, helper_failures";
// The same columns read from a database of the first version, which had no failure count.
const char *const firstVersionColumns = "id, path, device, inode, size, allocated, modified_ns, "
                                        "changed_ns, born_ns, creation_us, duration, width, "
                                        "height, favorite, screen_recording, read, playable, 0";

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql) {
        m_prepared = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    explicit operator bool() const { return m_stmt != nullptr; }
    // Why it could not be prepared, or SQLITE_OK.
    int prepared() const { return m_prepared; }
    sqlite3_stmt *get() const { return m_stmt; }
    bool step() const { return sqlite3_step(m_stmt) == SQLITE_ROW; }
    int run() const { return sqlite3_step(m_stmt); }
    void reset() const {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_prepared = SQLITE_OK;
};

QByteArray selectRows(const char *condition) {
    return QByteArray("SELECT ") + columns + " FROM videos" + condition;
}

QByteArray blobAt(sqlite3_stmt *stmt, int column) {
    return QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                      sqlite3_column_bytes(stmt, column));
}

// Binds a file's figures to parameters 1 to 5.
void bindKey(sqlite3_stmt *s, const ContentKey &key) {
    sqlite3_bind_int64(s, 1, sqlite3_int64(key.device));
    sqlite3_bind_int64(s, 2, sqlite3_int64(key.inode));
    sqlite3_bind_int64(s, 3, key.size);
    sqlite3_bind_int64(s, 4, key.modifiedNs);
    sqlite3_bind_int64(s, 5, key.changedNs);
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
    row.helperFailures = sqlite3_column_int(s, 17);
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
    sqlite3_bind_int(s, 18, row.helperFailures);
}

int execOn(sqlite3 *db, const char *sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// SQLite's result code of a statement that returns one row, or SQLITE_OK with its first column.
int singleRow(sqlite3 *db, const char *sql, QByteArray *text, int *number = nullptr) {
    Statement statement(db, sql);
    if (!statement)
        return statement.prepared() != SQLITE_OK ? statement.prepared() : SQLITE_ERROR;
    const int rc = statement.run();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? SQLITE_CORRUPT : rc;
    if (text)
        *text = reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0));
    if (number)
        *number = sqlite3_column_int(statement.get(), 0);
    return SQLITE_OK;
}

// Passes SQLite's own check and has a schema we know how to read or upgrade: SQLITE_OK, or the
// code that says why not (SQLITE_CORRUPT for a failed check or a newer schema).
int checkHealth(sqlite3 *db) {
    QByteArray verdict;
    if (const int rc = singleRow(db, "PRAGMA quick_check", &verdict); rc != SQLITE_OK)
        return rc;
    if (verdict != "ok")
        return SQLITE_CORRUPT;
    int version = 0;
    if (const int rc = singleRow(db, "PRAGMA user_version", nullptr, &version); rc != SQLITE_OK)
        return rc;
    return version <= schemaVersion ? SQLITE_OK : SQLITE_CORRUPT;
}

int prepareSchema(sqlite3 *db) {
    // WAL keeps readers going while a scan writes; FULL makes a finished transaction survive a
    // power cut, which matters for favourites.
    QByteArray mode;
    if (const int rc = singleRow(db, "PRAGMA journal_mode=WAL", &mode); rc != SQLITE_OK)
        return rc;
    if (mode != "wal")
        return SQLITE_READONLY; // the journal files cannot be made beside it
    if (const int rc = execOn(db, "PRAGMA synchronous=FULL"); rc != SQLITE_OK)
        return rc;
    int current = 0;
    if (const int rc = singleRow(db, "PRAGMA user_version", nullptr, &current); rc != SQLITE_OK)
        return rc;
    if (current == schemaVersion)
        return SQLITE_OK;
    // Version 0 is a new file; later versions take the steps after their own, in order.
    std::vector<const char *> steps{"BEGIN IMMEDIATE"};
    if (current == 0)
        steps.push_back(schema);
    if (current == 1)
        steps.push_back("ALTER TABLE videos ADD COLUMN helper_failures INTEGER NOT NULL DEFAULT 0");
    // The fourth version's fingerprints were hashed from pictures whose black bars a logo could
    // move: they would not compare with new ones, and the next pass makes them again.
    if (current == 4)
        steps.push_back("DROP TABLE fingerprints");
    steps.insert(steps.end(), {contentSchema, fingerprintSchema, stampSchemaVersion, "COMMIT"});
    for (const char *step : steps) {
        if (const int rc = execOn(db, step); rc != SQLITE_OK) {
            execOn(db, "ROLLBACK");
            return rc;
        }
    }
    return SQLITE_OK;
}

// Whether SQLite says the file itself is damaged, as opposed to busy, full or not writable.
bool isDamage(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool isBusy(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool isFull(int code, int systemErrno) {
    return (code & 0xff) == SQLITE_FULL || systemErrno == ENOSPC || systemErrno == EDQUOT;
}

// Texts filed under the "FolderLibrary" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FolderLibrary)
};

// What the user reads when the index on disk cannot be used as it is.
QString problemText(IndexAccess access, int code, int systemErrno, const QString &path) {
    if (access == IndexAccess::inUse)
        return Text::tr("Another program is using the library index. Orsenta shows your "
                        "videos but keeps no changes until it is free.");
    if (isFull(code, systemErrno))
        return Text::tr("The disk that holds the library index is full. Orsenta shows your "
                        "videos and saves changes again once there is space.");
    const QString reason = systemErrno != 0 ? QString::fromLocal8Bit(std::strerror(systemErrno))
                                            : QString::fromUtf8(sqlite3_errstr(code));
    const QString text = access == IndexAccess::readOnly
                             ? Text::tr("The library index %1 cannot be written (%2). Orsenta "
                                        "shows your videos but keeps no changes.")
                             : Text::tr("The library index %1 cannot be read (%2). Orsenta shows "
                                        "your videos but keeps no changes.");
    return text.arg(QDir::toNativeSeparators(path), reason);
}

// A URI for the file that SQLite takes whatever bytes its path holds.
QByteArray fileUri(const QByteArray &path, const char *query) {
    return "file:" + path.toPercentEncoding("/") + "?" + query;
}

// An in-memory database with the schema and, where the file can still be read, its rows: the
// session goes on with it and the file is left exactly as it was.
sqlite3 *sessionCopy(const QByteArray &path, bool *copied) {
    sqlite3 *db = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_URI;
    if (sqlite3_open_v2(":memory:", &db, flags, nullptr) != SQLITE_OK
        || execOn(db, schema) != SQLITE_OK || execOn(db, contentSchema) != SQLITE_OK
        || execOn(db, fingerprintSchema) != SQLITE_OK
        || execOn(db, stampSchemaVersion) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    *copied = false;
    // Read-only first, which respects another program's writes; else as an unchanging file,
    // which needs neither a lock nor the journal files that a full or read-only disk refuses.
    for (const char *query : {"mode=ro", "immutable=1"}) {
        {
            Statement attach(db, "ATTACH DATABASE ? AS disk");
            const QByteArray uri = fileUri(path, query);
            sqlite3_bind_text(attach.get(), 1, uri.constData(), int(uri.size()), SQLITE_TRANSIENT);
            if (!attach || attach.run() != SQLITE_DONE)
                continue;
        }
        QByteArray verdict;
        int version = 0;
        const bool readable =
            singleRow(db, "PRAGMA disk.quick_check", &verdict) == SQLITE_OK && verdict == "ok"
            && singleRow(db, "PRAGMA disk.user_version", nullptr, &version) == SQLITE_OK
            && version >= 1 && version <= schemaVersion;
        const QByteArray copy = QByteArray("INSERT INTO main.videos (") + columns + ") SELECT "
                                + (version == 1 ? firstVersionColumns : columns)
                                + " FROM disk.videos";
        *copied =
            readable && execOn(db, copy.constData()) == SQLITE_OK
            && (version < 3
                || execOn(db, "INSERT INTO main.contents SELECT * FROM disk.contents") == SQLITE_OK)
            && (version < 5
                || execOn(db, "INSERT INTO main.fingerprints SELECT * FROM disk.fingerprints")
                       == SQLITE_OK);
        execOn(db, "DETACH DATABASE disk");
        if (*copied)
            break;
        execOn(db, "DELETE FROM main.videos");
        execOn(db, "DELETE FROM main.contents");
        execOn(db, "DELETE FROM main.fingerprints");
    }
    return db;
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

// The database on disk, opened and checked: SQLITE_OK with `db` set, or the code that says why
// not, with `systemErrno` from the file system where it had a say.
int openOnDisk(const QByteArray &path, std::chrono::milliseconds busyWait, sqlite3 **db,
               int *systemErrno) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    int rc = sqlite3_open_v2(path.constData(), db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(*db, 1);
        sqlite3_busy_timeout(*db, int(busyWait.count()));
        rc = checkHealth(*db);
        if (rc == SQLITE_OK)
            rc = prepareSchema(*db);
    }
    *systemErrno = *db ? sqlite3_system_errno(*db) : 0;
    if (rc != SQLITE_OK) {
        sqlite3_close(*db);
        *db = nullptr;
    }
    return rc;
}

} // namespace

std::unique_ptr<LibraryIndex> LibraryIndex::open(const QString &path, QString *note,
                                                 std::chrono::milliseconds busyWait) {
    const bool folderMade = QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray encoded = QFile::encodeName(path);
    std::vector<Salvaged> salvaged;
    sqlite3 *db = nullptr;
    int systemErrno = 0;
    int rc = folderMade ? openOnDisk(encoded, busyWait, &db, &systemErrno) : SQLITE_CANTOPEN;
    if (!folderMade)
        systemErrno = errno;
    if (isDamage(rc)) {
        salvaged = salvageFavorites(encoded);
        moveAside(path);
        if (note)
            *note = Text::tr("The library index was damaged and has been moved aside; "
                             "the next scan rebuilds it.");
        rc = openOnDisk(encoded, busyWait, &db, &systemErrno);
    }
    std::unique_ptr<LibraryIndex> index;
    if (rc == SQLITE_OK) {
        index.reset(new LibraryIndex(db, IndexAccess::writable, {}));
    } else {
        bool copied = false;
        db = sessionCopy(encoded, &copied);
        if (!db)
            return nullptr;
        const IndexAccess access = isBusy(rc) ? IndexAccess::inUse
                                   : copied   ? IndexAccess::readOnly
                                              : IndexAccess::unavailable;
        index.reset(new LibraryIndex(db, access, problemText(access, rc, systemErrno, path)));
    }
    index->m_salvaged = std::move(salvaged);
    return index;
}

LibraryIndex::~LibraryIndex() {
    sqlite3_close(m_db);
}

bool LibraryIndex::exec(const char *sql) const {
    return execOn(m_db, sql) == SQLITE_OK;
}

IndexAccess LibraryIndex::access() const {
    return m_access;
}

QString LibraryIndex::problem() const {
    std::lock_guard lock(m_lock);
    return m_problem.isEmpty() ? m_writeProblem : m_problem;
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
    std::lock_guard lock(m_lock);
    const bool onDisk = m_access == IndexAccess::writable;
    if (m_pendingUpserts.empty() && m_pendingRemovals.isEmpty()) {
        if (upserts.empty() && removals.isEmpty())
            return onDisk;
        if (writeLocked(upserts, removals))
            return onDisk;
    } else {
        // The waiting rows go first, so that what this write says about a row wins.
        std::vector<IndexRow> allUpserts = m_pendingUpserts;
        allUpserts.insert(allUpserts.end(), upserts.begin(), upserts.end());
        const QStringList allRemovals = m_pendingRemovals + removals;
        if (writeLocked(allUpserts, allRemovals)) {
            m_pendingUpserts.clear();
            m_pendingRemovals.clear();
            m_writeProblem.clear();
            return onDisk;
        }
    }
    const auto [code, systemErrno] = m_lastFailure;
    m_writeProblem = isBusy(code)
                         ? problemText(IndexAccess::inUse, code, systemErrno, {})
                         : problemText(IndexAccess::readOnly, code, systemErrno,
                                       QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
    const QSet<QString> removed(removals.cbegin(), removals.cend());
    std::erase_if(m_pendingUpserts, [&](const IndexRow &row) { return removed.contains(row.id); });
    m_pendingUpserts.insert(m_pendingUpserts.end(), upserts.begin(), upserts.end());
    m_pendingRemovals += removals;
    return false;
}

bool LibraryIndex::writeLocked(const std::vector<IndexRow> &upserts, const QStringList &removals) {
    if (!exec("BEGIN IMMEDIATE")) {
        m_lastFailure = {sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db)};
        return false;
    }
    bool ok = true;
    {
        // A fingerprint goes with its file's row, and when the file is no longer the one it was
        // made of.
        Statement forget(m_db, "DELETE FROM fingerprints WHERE (device, inode) = "
                               "(SELECT device, inode FROM videos WHERE id = ?)");
        Statement remove(m_db, "DELETE FROM videos WHERE id = ?");
        for (const QString &id : removals) {
            const QByteArray key = id.toUtf8();
            sqlite3_bind_text(forget.get(), 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            ok = ok && forget.run() == SQLITE_DONE;
            forget.reset();
            sqlite3_bind_text(remove.get(), 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            ok = ok && remove.run() == SQLITE_DONE;
            remove.reset();
        }
        Statement outdate(m_db, "DELETE FROM fingerprints WHERE device = ?1 AND inode = ?2 AND "
                                "(size, modified_ns, changed_ns) <> (?3, ?4, ?5)");
        // A row may take over a path another row held (a file replaced under its name).
        Statement freePath(m_db, "DELETE FROM videos WHERE path = ? AND id <> ?");
        const QByteArray insert = QByteArray("INSERT OR REPLACE INTO videos (") + columns
                                  + ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
        Statement upsert(m_db, insert.constData());
        for (const IndexRow &row : upserts) {
            if (!ok)
                break;
            const QByteArray key = row.id.toUtf8();
            sqlite3_bind_blob(freePath.get(), 1, row.path.constData(), int(row.path.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(freePath.get(), 2, key.constData(), int(key.size()),
                              SQLITE_TRANSIENT);
            ok = freePath.run() == SQLITE_DONE;
            freePath.reset();
            bindRow(upsert.get(), row);
            ok = ok && upsert.run() == SQLITE_DONE;
            upsert.reset();
            bindKey(outdate.get(), contentKey(row.stat));
            ok = ok && outdate.run() == SQLITE_DONE;
            outdate.reset();
        }
    }
    if (ok && exec("COMMIT"))
        return true;
    // Keep the failure's code for the caller: ROLLBACK would replace it with its own.
    const int code = sqlite3_extended_errcode(m_db);
    const int systemErrno = sqlite3_system_errno(m_db);
    exec("ROLLBACK");
    m_lastFailure = {code, systemErrno};
    return false;
}

bool LibraryIndex::setFavorites(const std::vector<std::pair<QString, bool>> &changes,
                                QString *error) {
    std::lock_guard lock(m_lock);
    if (m_access != IndexAccess::writable) {
        if (error)
            *error = m_problem;
        return false;
    }
    const auto failed = [&] {
        const int code = sqlite3_extended_errcode(m_db);
        const int systemErrno = sqlite3_system_errno(m_db);
        if (error && (isBusy(code) || isFull(code, systemErrno)))
            *error = problemText(isBusy(code) ? IndexAccess::inUse : IndexAccess::readOnly, code,
                                 systemErrno, {});
        else if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
    };
    if (!exec("BEGIN IMMEDIATE")) {
        failed();
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
    if (ok && exec("COMMIT")) {
        // A row still waiting for the disk must not take the flag back when it is written.
        for (const auto &[id, favorite] : changes) {
            for (IndexRow &row : m_pendingUpserts) {
                if (row.id == id)
                    row.favorite = favorite;
            }
        }
        return true;
    }
    failed();
    exec("ROLLBACK");
    return false;
}

std::vector<ContentRecord> LibraryIndex::contentRecords() const {
    std::lock_guard lock(m_lock);
    std::vector<ContentRecord> records;
    Statement select(m_db, "SELECT device, inode, size, modified_ns, changed_ns, sample, digest "
                           "FROM contents");
    while (select && select.step()) {
        sqlite3_stmt *s = select.get();
        ContentRecord record;
        record.key.device = std::uint64_t(sqlite3_column_int64(s, 0));
        record.key.inode = std::uint64_t(sqlite3_column_int64(s, 1));
        record.key.size = sqlite3_column_int64(s, 2);
        record.key.modifiedNs = sqlite3_column_int64(s, 3);
        record.key.changedNs = sqlite3_column_int64(s, 4);
        record.sample = blobAt(s, 5);
        record.digest = blobAt(s, 6);
        records.push_back(std::move(record));
    }
    return records;
}

bool LibraryIndex::writeContent(const std::vector<ContentRecord> &records) {
    std::lock_guard lock(m_lock);
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    {
        Statement insert(m_db, "INSERT OR REPLACE INTO contents VALUES (?,?,?,?,?,?,?)");
        for (const ContentRecord &record : records) {
            sqlite3_stmt *s = insert.get();
            bindKey(s, record.key);
            sqlite3_bind_blob(s, 6, record.sample.constData(), int(record.sample.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_blob(s, 7, record.digest.constData(), int(record.digest.size()),
                              SQLITE_TRANSIENT);
            ok = ok && insert && insert.run() == SQLITE_DONE;
            insert.reset();
        }
    }
    ok = ok
         && exec("DELETE FROM contents WHERE NOT EXISTS (SELECT 1 FROM videos WHERE "
                 "videos.device = contents.device AND videos.inode = contents.inode)");
    if (ok && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

std::vector<FingerprintRecord> LibraryIndex::fingerprintRecords() const {
    std::lock_guard lock(m_lock);
    std::vector<FingerprintRecord> records;
    Statement select(m_db, "SELECT device, inode, size, modified_ns, changed_ns, codec, frames, "
                           "helper_failures FROM fingerprints");
    while (select && select.step()) {
        sqlite3_stmt *s = select.get();
        FingerprintRecord record;
        record.key.device = std::uint64_t(sqlite3_column_int64(s, 0));
        record.key.inode = std::uint64_t(sqlite3_column_int64(s, 1));
        record.key.size = sqlite3_column_int64(s, 2);
        record.key.modifiedNs = sqlite3_column_int64(s, 3);
        record.key.changedNs = sqlite3_column_int64(s, 4);
        record.fingerprint.codec = blobAt(s, 5);
        record.fingerprint.frames = decodeFingerprintFrames(blobAt(s, 6));
        record.helperFailures = sqlite3_column_int(s, 7);
        records.push_back(std::move(record));
    }
    return records;
}

bool LibraryIndex::writeFingerprints(const std::vector<FingerprintRecord> &records) {
    std::lock_guard lock(m_lock);
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    {
        Statement insert(m_db, "INSERT OR REPLACE INTO fingerprints VALUES (?,?,?,?,?,?,?,?)");
        for (const FingerprintRecord &record : records) {
            sqlite3_stmt *s = insert.get();
            bindKey(s, record.key);
            const QByteArray &codec = record.fingerprint.codec;
            const QByteArray frames = encodeFingerprintFrames(record.fingerprint.frames);
            sqlite3_bind_blob(s, 6, codec.constData(), int(codec.size()), SQLITE_TRANSIENT);
            sqlite3_bind_blob(s, 7, frames.constData(), int(frames.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(s, 8, record.helperFailures);
            ok = ok && insert && insert.run() == SQLITE_DONE;
            insert.reset();
        }
    }
    if (ok && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

std::vector<LibraryIndex::Salvaged> LibraryIndex::takeSalvaged() {
    std::lock_guard lock(m_lock);
    return std::exchange(m_salvaged, {});
}

} // namespace orsenta::platform
