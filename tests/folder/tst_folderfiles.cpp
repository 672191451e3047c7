// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the library's files: roots, the walk, and the index that remembers them.

#include "library/platform/folder/directorywalk.h"
#include "library/platform/folder/libraryindex.h"
#include "library/platform/folder/libraryroots.h"
#include "library/platform/folder/videofiletypes.h"
#include "support/ordinaryuser.h"
#include "support/temphome.h"
#include "support/testmain.h"
#include "support/tmpfsmount.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

namespace {

QStringList walkedNames(const WalkResult &walk, const QString &below) {
    QStringList names;
    for (const WalkedFile &file : walk.files)
        names << QFile::decodeName(file.path).mid(below.size() + 1);
    names.sort();
    return names;
}

LibraryRoots rootsOf(const TempHome &home) {
    return LibraryRoots{distinctRoots({bytes(home.videos()), bytes(home.pictures())}), {}};
}

void link(const QString &target, const QString &name) {
    QVERIFY(::symlink(bytes(target).constData(), bytes(name).constData()) == 0);
}

IndexRow indexedRow(const char *id, const QByteArray &path, bool favorite = false) {
    IndexRow row;
    row.id = QString::fromLatin1(id);
    row.path = path;
    row.stat = FileStat{9, 99, 999, 0, 0, 0, 0};
    row.favorite = favorite;
    return row;
}

QStringList indexedIds(const LibraryIndex &index) {
    QStringList ids;
    for (const IndexRow &row : index.rows())
        ids << row.id + (row.favorite ? QStringLiteral("*") : QString());
    ids.sort();
    return ids;
}

QStringList movedAside(const TempHome &home) {
    return QDir(QFileInfo(home.indexPath()).absolutePath())
        .entryList({QStringLiteral("library.sqlite3.damaged-*")});
}

// Fills the file system that holds `folder` to the last byte; the filler is removed to free it.
QString fillDisk(const QString &folder) {
    const QString filler = folder + QStringLiteral("/filler");
    QFile file(filler);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return {};
    const QByteArray block(4096, 'x');
    while (file.write(block) == block.size() && file.flush()) {
    }
    return filler;
}

} // namespace

class TestFolderFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void videoNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("verdict");
        const int video = int(NameVerdict::video);
        const int other = int(NameVerdict::notVideo);
        const int unknown = int(NameVerdict::unknown);
        for (const char *name : {"a.mov", "A.MOV", "b.mp4", "c.m4v", "d.mkv", "e.webm", "f.avi",
                                 "g.mts", "h.M2TS", "i.3gp", "clip (2).mp4"})
            QTest::newRow(name) << QByteArray(name) << video;
        for (const char *name : {"photo.jpg", "photo.HEIC", "notes.txt", "song.mp3"})
            QTest::newRow(name) << QByteArray(name) << other;
        for (const char *name : {"README", ".hidden", "trailing.", "x.unknownext"})
            QTest::newRow(name) << QByteArray(name) << unknown;
    }
    void videoNames() {
        QFETCH(QByteArray, name);
        QFETCH(int, verdict);
        QCOMPARE(int(videoVerdictForName(name)), verdict);
    }

    void rootsCountedOnce() {
        TempHome home;
        const QString nested = home.videos() + QStringLiteral("/Phone");
        QDir().mkpath(nested);
        link(home.videos(), home.path() + QStringLiteral("/VideosLink"));
        const QList<QByteArray> roots = distinctRoots(
            {bytes(home.videos()), bytes(nested),
             bytes(home.path() + QStringLiteral("/VideosLink")), bytes(home.pictures()),
             bytes(home.videos() + QStringLiteral("/../Videos")),
             bytes(home.path() + QStringLiteral("/Missing"))});
        QCOMPARE(roots, (QList<QByteArray>{bytes(QDir(home.videos()).canonicalPath()),
                                           bytes(QDir(home.pictures()).canonicalPath())}));
    }

    void desktopFolders() {
        TempHome home;
        // The Videos folder set to the Pictures folder is one root.
        home.write(QStringLiteral(".config/user-dirs.dirs"),
                   "XDG_VIDEOS_DIR=\"$HOME/Pictures\"\nXDG_PICTURES_DIR=\"$HOME/Pictures\"\n");
        QDir().mkpath(home.path() + QStringLiteral("/.local/share/Trash"));
        QDir().mkpath(home.path() + QStringLiteral("/.local/share/orsenta"));
        const LibraryRoots roots =
            desktopLibraryRoots(bytes(home.path() + QStringLiteral("/.local/share/orsenta")));
        QCOMPARE(roots.roots, QList<QByteArray>{bytes(QDir(home.pictures()).canonicalPath())});
        QCOMPARE(roots.excluded.size(), 2);

        // A missing folder is absent: walked again once it is back.
        QVERIFY(QDir(home.pictures()).removeRecursively());
        QVERIFY(desktopLibraryRoots({}).roots.isEmpty());
        QCOMPARE(desktopLibraryRoots({}).absent, QList<QByteArray>{bytes(home.pictures())});
    }

    void walkFindsEachVideoOnce() {
        TempHome home;
        const QString v = home.videos();
        home.write(QStringLiteral("Videos/2023/IMG_0001.MOV"));
        home.write(QStringLiteral("Videos/name with spaces %20.mp4"));
        home.write(QStringLiteral("Videos/new\nline.mkv"));
        home.write(QStringLiteral("Pictures/holiday.webm"));
        home.write(QStringLiteral("Pictures/photo.jpg"));
        home.write(QStringLiteral("Videos/.Trash-1000/files/gone.mp4"));
        home.write(QStringLiteral("Videos/excluded/index.mp4"));
        // A second name for the same file, a link to a video, a loop back up, and a pipe.
        QVERIFY(QFile::link(v + QStringLiteral("/2023/IMG_0001.MOV"),
                            v + QStringLiteral("/alias.mov")));
        QVERIFY(::link(bytes(v + QStringLiteral("/2023/IMG_0001.MOV")).constData(),
                       bytes(v + QStringLiteral("/zz hard link.mov")).constData())
                == 0);
        link(v, v + QStringLiteral("/2023/loop"));
        QVERIFY(::mkfifo(bytes(v + QStringLiteral("/pipe.mp4")).constData(), 0600) == 0);
        // A name that is not UTF-8.
        const QByteArray latin1 = bytes(v) + "/caf\xe9.mov";
        QVERIFY(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0600)) == 0);

        LibraryRoots roots = rootsOf(home);
        roots.excluded.append(bytes(QDir(v).canonicalPath() + QStringLiteral("/excluded")));
        const WalkResult walk = walkLibrary(roots);
        QCOMPARE(walk.files.size(), 5u);
        const QStringList names = walkedNames(walk, QDir(home.path()).canonicalPath());
        for (const char *name : {"Videos/2023/IMG_0001.MOV", "Videos/name with spaces %20.mp4",
                                 "Videos/new\nline.mkv", "Pictures/holiday.webm"})
            QVERIFY2(names.contains(QString::fromUtf8(name)), name);
        const auto raw8 =
            std::find_if(walk.files.begin(), walk.files.end(),
                         [](const WalkedFile &f) { return f.path.endsWith("caf\xe9.mov"); });
        QVERIFY(raw8 != walk.files.end()); // the exact bytes, not a decoded guess
        QVERIFY(walk.unreadable.isEmpty());
    }

    // A folder the user cannot list is reported and everything else is still found.
    void unreadableFolderCostsOnlyItself() {
        TempHome home;
        home.write(QStringLiteral("Videos/open/a.mp4"));
        home.write(QStringLiteral("Videos/closed/b.mp4"));
        const QByteArray closed = bytes(home.videos() + QStringLiteral("/closed"));
        QVERIFY(::chmod(closed.constData(), 0) == 0);
        const LibraryRoots roots = rootsOf(home);
        walkLibrary(roots); // loads what the walk needs before the fork
        const auto counts = asOrdinaryUser([&] {
            const WalkResult walk = walkLibrary(roots);
            return std::array<int, 2>{int(walk.files.size()), int(walk.unreadable.size())};
        });
        ::chmod(closed.constData(), 0700);
        QCOMPARE(counts[0], 1);
        QCOMPARE(counts[1], 1);
    }

    void indexKeepsRowsAndFavourites() {
        TempHome home;
        auto index = LibraryIndex::open(home.indexPath());
        QVERIFY(index);
        IndexRow a = indexedRow("A/L0/001", "/videos/a\nb.mov");
        a.stat = FileStat{1, 2, 3, 4096, 5, 6, 7};
        a.creationMicros = 1'700'000'000'000'000;
        a.duration = 2.5;
        a.pixelWidth = 1080;
        a.pixelHeight = 1920;
        a.read = true;
        IndexRow b = a;
        b.id = QStringLiteral("B/L0/001");
        b.path = "/videos/b.mov";
        b.creationMicros.reset();
        QVERIFY(index->write({a, b}, {}));
        QString error;
        QVERIFY(index->setFavorites({{a.id, true}}, &error));
        index.reset();

        index = LibraryIndex::open(home.indexPath());
        const auto again = index->row(a.id);
        QVERIFY(again);
        QCOMPARE(std::tuple(again->path, again->stat.allocated, again->pixelHeight, again->favorite,
                            again->read),
                 std::tuple(a.path, 4096, 1920, true, true));
        QCOMPARE(again->creationMicros, a.creationMicros);
        QCOMPARE(index->row(b.id)->creationMicros, std::nullopt);
        QVERIFY(index->write({}, {b.id}));
        QCOMPARE(index->rows().size(), 1u);
    }

    void damagedIndexIsMovedAside_data() {
        QTest::addColumn<QByteArray>("damage");
        QTest::addColumn<int>("favouritesSalvaged"); // -1: as far as the pages left allow
        QTest::newRow("garbage") << QByteArray("garbage") << 0;
        QTest::newRow("truncated") << QByteArray("truncated") << -1;
        QTest::newRow("from a newer version") << QByteArray("newer") << 1;
    }
    void damagedIndexIsMovedAside() {
        QFETCH(QByteArray, damage);
        QFETCH(int, favouritesSalvaged);
        TempHome home;
        {
            auto index = LibraryIndex::open(home.indexPath());
            std::vector<IndexRow> rows{indexedRow("F/L0/001", "/videos/favourite.mov", true)};
            for (int i = 1; i <= 400; ++i) {
                rows.push_back(indexedRow("", "/videos/" + QByteArray::number(i) + ".mov"));
                rows.back().id = QStringLiteral("R%1/L0/001").arg(i);
            }
            QVERIFY(index->write(rows, {}));
        }
        QFile file(home.indexPath());
        if (damage == "newer") {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(bytes(home.indexPath()).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (damage == "truncated") {
            QVERIFY(file.resize(file.size() / 2));
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray(5000, '\x5a'));
            file.close();
        }
        QString note;
        auto index = LibraryIndex::open(home.indexPath(), &note);
        QVERIFY(index);
        QVERIFY(!note.isEmpty());
        QCOMPARE(index->access(), IndexAccess::writable);
        QVERIFY(index->rows().empty());
        QVERIFY(!movedAside(home).isEmpty()); // kept, never deleted
        const auto salvaged = index->takeSalvaged();
        if (favouritesSalvaged >= 0)
            QCOMPARE(int(salvaged.size()), favouritesSalvaged);
        if (!salvaged.empty())
            QCOMPARE(salvaged.front().stat.inode, 99u);
    }

    // Only damage moves the index aside: a database that is busy, read-only or on a full disk is
    // kept as it is, the session still sees its rows, a favourite that could not be kept is
    // refused with the reason, and once the trouble is over everything is there.
    void troubledIndexIsKept_data() {
        QTest::addColumn<QByteArray>("trouble");
        QTest::addColumn<int>("access");
        QTest::newRow("in use by another program")
            << QByteArray("in use") << int(IndexAccess::inUse);
        QTest::newRow("read-only disk") << QByteArray("read-only") << int(IndexAccess::readOnly);
        QTest::newRow("full disk") << QByteArray("full") << -1;
    }
    void troubledIndexIsKept() {
        QFETCH(QByteArray, trouble);
        QFETCH(int, access);
        TempHome home;
        const QString folder = QFileInfo(home.indexPath()).absolutePath();
        QVERIFY(QDir().mkpath(folder));
        std::optional<TmpfsMount> disk;
        if (trouble != "in use") {
            disk.emplace(folder, "512k");
            if (!disk->mounted())
                QSKIP("mounting a small disk needs root");
        }
        {
            auto index = LibraryIndex::open(home.indexPath());
            QVERIFY(index->write({indexedRow("F/L0/001", "/v/favourite.mov", true),
                                  indexedRow("P/L0/001", "/v/plain.mov")},
                                 {}));
        }
        const QStringList before{QStringLiteral("F/L0/001*"), QStringLiteral("P/L0/001")};

        sqlite3 *holder = nullptr;
        QString filler;
        if (trouble == "in use") {
            QCOMPARE(sqlite3_open(bytes(home.indexPath()).constData(), &holder), SQLITE_OK);
            QCOMPARE(sqlite3_exec(holder,
                                  "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                  "UPDATE videos SET duration = 1;",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
        } else if (trouble == "read-only") {
            QVERIFY(disk->setReadOnly(true));
        } else {
            filler = fillDisk(folder);
            QVERIFY(!filler.isEmpty());
        }

        QString note;
        auto index = LibraryIndex::open(home.indexPath(), &note, std::chrono::milliseconds(50));
        QVERIFY(index);
        QVERIFY(note.isEmpty());
        QVERIFY(movedAside(home).isEmpty());
        if (access >= 0)
            QCOMPARE(int(index->access()), access);
        QCOMPARE(indexedIds(*index), before);
        QString error;
        QVERIFY(!index->setFavorites({{QStringLiteral("P/L0/001"), true}}, &error));
        QVERIFY2(!error.isEmpty(), "a refused favourite says why");
        const bool persisted = index->write({indexedRow("N/L0/001", "/v/new.mov")}, {});
        QVERIFY(!persisted);
        QVERIFY(!index->problem().isEmpty());
        QCOMPARE(index->problem().contains(QStringLiteral("full")), trouble == "full");
        // A session copy holds the row; the file on a full disk waits for space to take it.
        QStringList seen = before;
        if (index->access() != IndexAccess::writable)
            seen << QStringLiteral("N/L0/001");
        seen.sort();
        QCOMPARE(indexedIds(*index), seen);

        // The trouble ends: the lock is released, the disk is writable or has space again.
        if (holder)
            QCOMPARE(sqlite3_close(holder), SQLITE_OK);
        if (trouble == "read-only")
            QVERIFY(disk->setReadOnly(false));
        if (!filler.isEmpty())
            QVERIFY(QFile::remove(filler));
        const bool onDisk = index->access() == IndexAccess::writable;
        if (onDisk) {
            // The row the full disk refused is written with the next write that succeeds.
            QVERIFY(index->write({}, {}));
            QVERIFY(index->problem().isEmpty());
        }
        index.reset();
        index = LibraryIndex::open(home.indexPath());
        QCOMPARE(index->access(), IndexAccess::writable);
        QVERIFY(index->problem().isEmpty());
        QVERIFY(indexedIds(*index).startsWith(before.front()));
        QCOMPARE(indexedIds(*index).contains(QStringLiteral("N/L0/001")), onDisk);
        QVERIFY(index->setFavorites({{QStringLiteral("P/L0/001"), true}}, &error));
        if (trouble == "full") {
            // A disk that fills while the index is open: the write waits for space.
            filler = fillDisk(folder);
            QVERIFY(!index->write({indexedRow("W/L0/001", "/v/waiting.mov")}, {}));
            QVERIFY(index->problem().contains(QStringLiteral("full")));
            QVERIFY(QFile::remove(filler));
            QVERIFY(index->write({}, {}));
            QVERIFY(index->problem().isEmpty());
            QVERIFY(indexedIds(*index).contains(QStringLiteral("W/L0/001")));
        }
    }
};

ORSENTA_TEST_MAIN(TestFolderFiles)
#include "tst_folderfiles.moc"
