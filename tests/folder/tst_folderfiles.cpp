// Finding the library's files: roots, the walk, and the index that remembers them.

#include "library/platform/folder/directorywalk.h"
#include "library/platform/folder/libraryindex.h"
#include "library/platform/folder/libraryroots.h"
#include "library/platform/folder/videofiletypes.h"
#include "support/ordinaryuser.h"
#include "support/temphome.h"
#include "support/testmain.h"

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

        // A missing Videos folder is simply no folder.
        QVERIFY(QDir(home.pictures()).removeRecursively());
        QVERIFY(desktopLibraryRoots({}).roots.isEmpty());
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
        IndexRow a;
        a.id = QStringLiteral("A/L0/001");
        a.path = "/videos/a\nb.mov";
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
        QCOMPARE(again->path, a.path);
        QCOMPARE(again->stat.allocated, 4096);
        QCOMPARE(again->creationMicros, a.creationMicros);
        QCOMPARE(again->pixelHeight, 1920);
        QVERIFY(again->favorite && again->read);
        QCOMPARE(index->row(b.id)->creationMicros, std::nullopt);
        QVERIFY(index->write({}, {b.id}));
        QCOMPARE(index->rows().size(), 1u);
    }

    void damagedIndexIsMovedAside_data() {
        QTest::addColumn<bool>("readable");
        QTest::newRow("garbage") << false;
        QTest::newRow("from a newer version") << true;
    }
    void damagedIndexIsMovedAside() {
        QFETCH(bool, readable);
        TempHome home;
        {
            auto index = LibraryIndex::open(home.indexPath());
            IndexRow row;
            row.id = QStringLiteral("F/L0/001");
            row.path = "/videos/favourite.mov";
            row.stat = FileStat{9, 99, 999, 0, 0, 0, 0};
            row.favorite = true;
            QVERIFY(index->write({row}, {}));
        }
        if (readable) {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(bytes(home.indexPath()).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else {
            QFile file(home.indexPath());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray(5000, '\x5a'));
        }
        QString note;
        auto index = LibraryIndex::open(home.indexPath(), &note);
        QVERIFY(index);
        QVERIFY(!note.isEmpty());
        QVERIFY(index->rows().empty());
        const QStringList aside = QDir(QFileInfo(home.indexPath()).absolutePath())
                                      .entryList({QStringLiteral("library.sqlite3.damaged-*")});
        QVERIFY(!aside.isEmpty()); // kept, never deleted
        const auto salvaged = index->takeSalvaged();
        QCOMPARE(salvaged.size(), readable ? 1u : 0u);
        if (readable)
            QCOMPARE(salvaged.front().stat.inode, 99u);
    }
};

ORSENTA_TEST_MAIN(TestFolderFiles)
#include "tst_folderfiles.moc"
