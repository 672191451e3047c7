// SPDX-License-Identifier: GPL-3.0-or-later
// The folder library through the photo library service, on real videos in a temporary home:
// reading and fingerprinting, identity across renames, bad files, access, and change
// notifications.

#include "library/platform/folder/changewatcher.h"
#include "support/folderlibrary.h"
#include "support/ordinaryuser.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"
#include "support/tmpfsmount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A watcher over one root, counting what it tells.
struct Watched {
    std::atomic<int> told{0};
    ChangeWatcher watcher;

    Watched(const QString &root, ChangeWatcher::Timing timing)
        : watcher(LibraryRoots{{bytes(QDir(root).canonicalPath())}, {}}, timing) {
        watcher.addObserver([this] { ++told; });
    }
};

// The identifiers of `items`, sorted.
QStringList sortedIds(const std::vector<VideoItem> &items) {
    QStringList ids;
    for (const VideoItem &item : items)
        ids << item.localIdentifier();
    ids.sort();
    return ids;
}

} // namespace

class TestFolderLibrary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsRealVideosThenRemembersThem() {
        TempHome home;
        const QString phonePath = home.videos() + QStringLiteral("/IMG_0001.MOV");
        QVERIFY(!makeVideo(phonePath,
                           {.width = 320,
                            .height = 176,
                            .rotation = 90,
                            .creationTime = QDateTime(QDate(2021, 5, 6), QTime(12, 0), Qt::UTC)})
                     .isEmpty());
        QVERIFY(QDir().mkpath(home.pictures() + QStringLiteral("/2022")));
        QVERIFY(!makeVideo(home.pictures() + QStringLiteral("/2022/wide.mkv"),
                           {.seconds = 2, .container = Container::mkv})
                     .isEmpty());
        // Its header promises a picture that its data does not hold: it cannot be fingerprinted.
        const QByteArray whole =
            readFile(makeVideo(home.path() + u"/faststart.mp4"_s,
                               {.extraOutputArgs = {u"-movflags"_s, u"+faststart"_s}}));
        QVERIFY(whole.indexOf("mdat") > 0);
        QVERIFY(writeNewFile(home.videos() + u"/header only.mp4"_s,
                             whole.left(whole.indexOf("mdat") + 4)));

        ScanTimings timings;
        const FolderLibrary first(home.indexPath());
        const std::vector<VideoItem> scan = first.scan(&timings);
        QCOMPARE(scan.size(), 3u);
        QCOMPARE(timings.slowPathCount, 3);
        QCOMPARE(first.platform->fingerprintsMade(), 3);
        const VideoItem *headerOnly = itemNamed(scan, u"header only.mp4"_s);
        QVERIFY(headerOnly && headerOnly->fileFacts().fingerprint.isEmpty());
        const VideoItem *phone = itemNamed(scan, QStringLiteral("IMG_0001.MOV"));
        QVERIFY(phone);
        QCOMPARE(std::tuple(phone->pixelWidth(), phone->pixelHeight(), phone->creationYear(),
                            phone->creationMonth()),
                 std::tuple(176, 320, 2021, 5));
        QVERIFY(std::abs(phone->duration() - 1.0) < 0.2);
        const qint64 fileSize = QFileInfo(phonePath).size();
        QCOMPARE(phone->sizeState(), SizeState::known(fileSize, SizeSource::resourceDataSize));
        const VideoItem *mkv = itemNamed(scan, QStringLiteral("wide.mkv"));
        QVERIFY(mkv);
        QCOMPARE(mkv->pixelWidth(), 320);
        QVERIFY(std::abs(mkv->duration() - 2.0) < 0.2);
        // Without a creation tag the file's own dates stand in: never the unknown date.
        QVERIFY(mkv->creationYear() > 2000);

        QCOMPARE(phone->fileFacts().fingerprint.codec, QByteArray("h264"));
        QCOMPARE(phone->fileFacts().fingerprint.frames.size(), std::size_t(fingerprintFrameCount));

        // A second scan reads everything from the index, under the same identifiers, and
        // fingerprints nothing again, not even the video that could not be fingerprinted.
        const FolderLibrary second(home.indexPath());
        const std::vector<VideoItem> again = second.scan(&timings);
        QCOMPARE(timings.slowPathCount, 0);
        QCOMPARE(second.platform->fingerprintsMade(), 0);
        const VideoItem *remembered = itemNamed(again, QStringLiteral("IMG_0001.MOV"));
        QVERIFY(remembered);
        QCOMPARE(remembered->localIdentifier(), phone->localIdentifier());
        QCOMPARE(remembered->sizeState(), SizeState::known(fileSize, SizeSource::photosMetadata));
        QCOMPARE(remembered->pixelHeight(), 320);
        QCOMPARE(remembered->fileFacts().fingerprint, phone->fileFacts().fingerprint);

        // A changed file is read and fingerprinted again, and only it.
        const struct timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
        QVERIFY(::utimensat(AT_FDCWD, bytes(phonePath).constData(), times, 0) == 0);
        second.scan(&timings);
        QCOMPARE(timings.slowPathCount, 1);
        QCOMPARE(second.platform->fingerprintsMade(), 1);
    }

    void identityFollowsTheFile() {
        TempHome home;
        const QString a = home.write(QStringLiteral("Videos/a.mp4"), "first video");
        const QString b = home.write(QStringLiteral("Videos/b.mp4"), "second video");
        const FolderLibrary library(home.indexPath());
        const std::vector<VideoItem> before = library.scan();
        const QString idA = itemNamed(before, QStringLiteral("a.mp4"))->localIdentifier();
        const QString idB = itemNamed(before, QStringLiteral("b.mp4"))->localIdentifier();
        await(library.service->setFavorite({idA}, true));

        // a moves to a sub-folder under a new name; b is replaced by another file of its name.
        QDir().mkpath(home.videos() + QStringLiteral("/moved"));
        QVERIFY(QFile::rename(a, home.videos() + QStringLiteral("/moved/renamed.mp4")));
        QVERIFY(QFile::remove(b));
        home.write(QStringLiteral("Videos/b.mp4"), "a different video");

        const std::vector<VideoItem> after = FolderLibrary(home.indexPath()).scan();
        QCOMPARE(after.size(), 2u);
        const VideoItem *moved = itemNamed(after, QStringLiteral("renamed.mp4"));
        QVERIFY(moved);
        QCOMPARE(moved->localIdentifier(), idA);
        QVERIFY(moved->isFavorite());
        QVERIFY(itemNamed(after, QStringLiteral("b.mp4"))->localIdentifier() != idB);
    }

    // Every bad file ends in a clear state of its own and costs nothing else.
    void badFilesCostOnlyThemselves() {
        TempHome home;
        const QString v = home.videos();
        const QByteArray whole = readFile(makeVideo(v + QStringLiteral("/good.mp4"), {}));
        QVERIFY(!whole.isEmpty());
        writeNewFile(v + QStringLiteral("/truncated.mp4"), whole.left(whole.size() / 2));
        writeNewFile(v + QStringLiteral("/empty.mov"), {});
        writeNewFile(v + QStringLiteral("/random.mkv"), QByteArray(4096, '\x7f'));
        writeNewFile(v + QStringLiteral("/playlist.mp4"),
                     "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nhttp://127.0.0.1:9/x.ts\n");
        writeNewFile(v + QStringLiteral("/100% new\nline.mp4"), whole);
        writeNewFile(QFile::decodeName(bytes(v) + "/caf\xe9.mov"), whole);
        writeNewFile(v + QStringLiteral("/crash me.mp4"), whole);
        QVERIFY(::mkfifo(bytes(v + QStringLiteral("/pipe.mp4")).constData(), 0600) == 0);
        QVERIFY(QFile::link(v, v + QStringLiteral("/loop")));
        // 100 GB long, one block of it written.
        const int sparse =
            ::open(bytes(v + QStringLiteral("/huge.mov")).constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(sparse >= 0 && ::write(sparse, whole.constData(), 4096) == 4096);
        QVERIFY(::ftruncate(sparse, 100LL * 1000 * 1000 * 1000) == 0);
        ::close(sparse);

        qputenv("ORSENTA_PROBE_TEST_CRASH_ON", "crash me");
        const FolderLibrary library(home.indexPath());
        const std::vector<VideoItem> scan = library.scan();
        qunsetenv("ORSENTA_PROBE_TEST_CRASH_ON");

        QCOMPARE(scan.size(), 9u); // not the pipe, not the loop
        for (const char *name : {"truncated.mp4", "empty.mov", "random.mkv", "playlist.mp4",
                                 "crash me.mp4", "huge.mov"}) {
            const VideoItem *item = itemNamed(scan, QString::fromLatin1(name));
            QVERIFY2(item, name);
            QCOMPARE(item->duration(), 0.0);
            QVERIFY(item->creationYear() > 2000);
        }
        // The index holds no size for an empty file; measuring it finds that it holds nothing.
        const QString empty = itemNamed(scan, QStringLiteral("empty.mov"))->localIdentifier();
        QCOMPARE(await(library.service->probeSize(empty, {})),
                 SizeState::known(0, SizeSource::logicalFileSize));
        // The sparse file is measured by what it occupies, not by its length.
        QVERIFY(itemNamed(scan, QStringLiteral("huge.mov"))->sizeState().bytes() < 1000 * 1000);
        QVERIFY(itemNamed(scan, QStringLiteral("100% new\nline.mp4"))->duration() > 0.5);
        QVERIFY(itemNamed(scan, QStringLiteral("good.mp4"))->duration() > 0.5);
        const auto latin1 = std::find_if(scan.begin(), scan.end(), [](const VideoItem &i) {
            return i.displayName().startsWith(QStringLiteral("caf"));
        });
        QVERIFY(latin1 != scan.end() && latin1->duration() > 0.5);
    }

    // A read that failed for a passing reason is tried again; a file that takes the helper down
    // twice is set aside until it changes.
    void failedReadsAreTriedAgain() {
        TempHome home;
        const QString video = makeVideo(home.videos() + QStringLiteral("/flaky.mp4"), {});
        QVERIFY(!video.isEmpty());
        const auto duration = [&](bool crash) {
            if (crash)
                qputenv("ORSENTA_PROBE_TEST_CRASH_ON", "flaky");
            const std::vector<VideoItem> scan = FolderLibrary(home.indexPath()).scan();
            qunsetenv("ORSENTA_PROBE_TEST_CRASH_ON");
            return scan.size() == 1 ? scan.front().duration() : -1.0;
        };
        const auto touch = [&] {
            const struct timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
            QVERIFY(::utimensat(AT_FDCWD, bytes(video).constData(), times, 0) == 0);
        };
        QCOMPARE(duration(true), 0.0);
        QVERIFY(duration(false) > 0.5);
        touch();
        QCOMPARE(duration(true), 0.0);
        QCOMPARE(duration(true), 0.0);
        QCOMPARE(duration(false), 0.0); // set aside: a hostile file does not slow every scan
        touch();
        QVERIFY(duration(false) > 0.5);
    }

    // A folder that is missing, unreadable or on a drive that is not connected keeps its videos,
    // identifiers and favourites, and the library says which folder and how many videos.
    void absentFoldersKeepTheirVideos_data() {
        QTest::addColumn<QString>("trouble");
        QTest::newRow("missing Videos folder") << QStringLiteral("missing");
        QTest::newRow("unreadable folder") << QStringLiteral("unreadable");
        QTest::newRow("drive not connected") << QStringLiteral("not connected");
    }
    void absentFoldersKeepTheirVideos() {
        QFETCH(QString, trouble);
        TempHome home;
        home.write(QStringLiteral("Videos/trip/a.mp4"));
        home.write(QStringLiteral("Videos/trip/b.mp4"));
        home.write(QStringLiteral("Pictures/c.mp4"));
        const auto scanned = [&](std::vector<AbsentFolder> *absent = nullptr) {
            const FolderLibrary library(home.indexPath());
            QStringList found;
            for (const VideoItem &item : library.scan())
                found << item.displayName() + u' ' + item.localIdentifier()
                             + (item.isFavorite() ? u"*"_s : QString());
            if (absent)
                *absent = library.platform->libraryCondition().absentFolders;
            found.sort();
            return found;
        };
        QStringList before = scanned();
        QCOMPARE(before.size(), 3);
        {
            const FolderLibrary library(home.indexPath());
            const std::vector<VideoItem> items = library.scan();
            const VideoItem *a = itemNamed(items, u"a.mp4"_s);
            await(library.service->setFavorite({a->localIdentifier()}, true));
        }
        before = scanned();
        QVERIFY(before.front().endsWith(u'*'));

        const QString trip = home.videos() + u"/trip"_s;
        QString folder = trip;
        std::optional<TmpfsMount> drive;
        if (trouble == u"missing") {
            folder = home.videos();
            QVERIFY(QDir().rename(folder, home.path() + u"/Videos.away"_s));
        } else if (trouble == u"unreadable") {
            QVERIFY(::chmod(bytes(trip).constData(), 0) == 0);
            if (::access(bytes(trip).constData(), R_OK) == 0) {
                ::chmod(bytes(trip).constData(), 0700);
                QSKIP("root reads any folder: run as an ordinary user to see this");
            }
        } else {
            folder = home.videos();
            drive.emplace(folder, "1m");
            if (!drive->mounted())
                QSKIP("mounting an empty drive needs root");
        }
        std::vector<AbsentFolder> absent;
        const QStringList during = scanned(&absent);
        QCOMPARE(during, before.mid(2)); // only c.mp4 is there to be seen
        QCOMPARE(absent.size(), 1u);
        QCOMPARE(absent.front().path, folder);
        QCOMPARE(absent.front().videos, 2);
        QCOMPARE(absent.front().missing, trouble != u"unreadable");

        if (trouble == u"missing")
            QVERIFY(QDir().rename(home.path() + u"/Videos.away"_s, folder));
        else if (trouble == u"unreadable")
            QVERIFY(::chmod(bytes(trip).constData(), 0700) == 0);
        else
            drive->unmount();
        QCOMPARE(scanned(&absent), before);
        QVERIFY(absent.empty());
    }

    // An index on a read-only disk still shows the library and says why nothing is kept; once
    // the disk can be written, the next scan goes back to the file and favourites are kept.
    void aReadOnlyIndexStillShowsTheLibrary() {
        TempHome home;
        home.write(QStringLiteral("Videos/a.mp4"));
        home.write(QStringLiteral("Videos/b.mp4"));
        const QString folder = QFileInfo(home.indexPath()).absolutePath();
        QVERIFY(QDir().mkpath(folder));
        TmpfsMount disk(folder, "1m");
        if (!disk.mounted())
            QSKIP("mounting a small disk needs root");
        const QStringList ids = sortedIds(FolderLibrary(home.indexPath()).scan());
        QCOMPARE(ids.size(), 2);
        QVERIFY(disk.setReadOnly(true));

        const FolderLibrary library(home.indexPath());
        std::vector<VideoItem> items = library.scan();
        QCOMPARE(items.size(), 2u);
        QVERIFY(library.platform->libraryCondition().indexProblem.contains(u"cannot be written"_s));
        QVERIFY_THROWS_EXCEPTION(PhotoLibraryError,
                                 await(library.service->setFavorite({ids.front()}, true)));

        QVERIFY(disk.setReadOnly(false));
        items = library.scan();
        QVERIFY(library.platform->libraryCondition().indexProblem.isEmpty());
        QCOMPARE(sortedIds(items), ids);
        await(library.service->setFavorite({ids.front()}, true));
        items = FolderLibrary(home.indexPath()).scan();
        QCOMPARE(int(std::count_if(items.begin(), items.end(),
                                   [](const VideoItem &item) { return item.isFavorite(); })),
                 1);
    }

    void vanishedFilesAreNoLongerThere() {
        TempHome home;
        const QString a = home.write(QStringLiteral("Videos/a.mp4"));
        home.write(QStringLiteral("Videos/b.mp4"));
        const FolderLibrary library(home.indexPath());
        await(library.service->requestAccess());
        QCOMPARE(await(library.service->beginScan()), 2);
        QVERIFY(QFile::remove(a)); // between the walk and the read
        const auto items = await(library.service->nextScanBatch(0, 10));
        QCOMPARE(items.size(), 2u);
        const QStringList ids{items[0].localIdentifier(), items[1].localIdentifier()};
        QCOMPARE(await(library.service->existingIdentifiers(ids)).size(), 1);
        const auto sizes = await(library.service->probeSizes(ids, 6));
        QCOMPARE(sizes.value(items[0].displayName() == QStringLiteral("a.mp4") ? ids[0] : ids[1]),
                 SizeState::failed());
    }

    void accessFollowsThePermissions() {
        TempHome home;
        QVERIFY(::chmod(bytes(home.pictures()).constData(), 0555) == 0);
        const auto statuses = asOrdinaryUser([&] {
            FolderPlatformOptions options;
            options.roots = LibraryRoots{{bytes(home.videos()), bytes(home.pictures())}, {}};
            options.indexPath = QStringLiteral("/nonexistent/index.sqlite3");
            FolderPlatform platform(options);
            std::array<int, 2> told{int(platform.authorizationStatus()), -1};
            platform.requestAuthorization([&](AuthorizationStatus s) { told[1] = int(s); });
            return told;
        });
        QCOMPARE(AuthorizationStatus(statuses[0]), AuthorizationStatus::notDetermined);
        // Someone else's folders: readable, not writable.
        QCOMPARE(AuthorizationStatus(statuses[1]), AuthorizationStatus::limited);
    }

    void changesAreToldOncePerBurst() {
        TempHome home;
        QDir().mkpath(home.videos() + QStringLiteral("/sub"));
        Watched w(home.videos(), {.quiet = 100ms, .longest = 3000ms});
        QCOMPARE(w.watcher.watchedFolders(), 2);

        for (int i = 0; i < 1000; ++i)
            home.write(QStringLiteral("Videos/sub/burst%1.mp4").arg(i));
        QTRY_VERIFY(w.told.load() >= 1);
        QVERIFY(w.told.load() <= 3);

        // A folder made later is watched too.
        const int before = w.told.load();
        QDir().mkpath(home.videos() + QStringLiteral("/later"));
        QTRY_COMPARE(w.told.load(), before + 1);
        QTRY_COMPARE(w.watcher.watchedFolders(), 3);
        home.write(QStringLiteral("Videos/later/new.mp4"));
        QTRY_COMPARE(w.told.load(), before + 2);
    }

    // Events that keep coming never end a burst by quiet; they are told once per longest wait.
    void aBurstThatGoesOnIsStillTold() {
        TempHome home;
        Watched w(home.videos(), {.quiet = 1h, .longest = 100ms});
        int written = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                home.write(QStringLiteral("Videos/ongoing%1.mp4").arg(written++));
                return w.told.load() >= 3;
            },
            20000));
    }

    // A root that goes is a change, and so is its return, after which it and the folders it
    // comes back with are watched again.
    void aRecreatedRootIsWatchedAgain_data() {
        QTest::addColumn<QString>("root");    // below the temporary folder
        QTest::addColumn<QString>("removed"); // the folder removed with its contents
        QTest::addColumn<QString>("movedTo"); // the root moved here rather than removed
        QTest::newRow("root removed") << u"Videos"_s << u"Videos"_s << QString();
        QTest::newRow("root and its parent removed") << u"a/b/Videos"_s << u"a"_s << QString();
        QTest::newRow("root moved away") << u"Videos"_s << QString() << u"Old"_s;
    }
    void aRecreatedRootIsWatchedAgain() {
        QFETCH(QString, root);
        QFETCH(QString, removed);
        QFETCH(QString, movedTo);
        QTemporaryDir dir;
        const QString base = QDir(dir.path()).canonicalPath() + u'/';
        QVERIFY(QDir().mkpath(base + root + u"/sub"_s));
        Watched w(base + root, {.quiet = 50ms});
        QCOMPARE(w.watcher.watchedFolders(), 2);

        if (movedTo.isEmpty())
            QVERIFY(QDir(base + removed).removeRecursively());
        else
            QVERIFY(QDir().rename(base + root, base + movedTo));
        QTRY_VERIFY(w.told.load() >= 1);
        QTRY_COMPARE(w.watcher.watchedFolders(), 0);

        int before = w.told.load();
        QVERIFY(QDir().mkpath(base + root + u"/sub"_s));
        QTRY_VERIFY(w.told.load() > before);
        QTRY_COMPARE(w.watcher.watchedFolders(), 2);
        before = w.told.load();
        QVERIFY(writeNewFile(base + root + u"/sub/new.mp4"_s, "a video"));
        QTRY_VERIFY(w.told.load() > before);
    }

    void foldersWithoutWatchesArePolled() {
        TempHome home;
        Watched w(home.videos(), {.quiet = 50ms, .pollInterval = 100ms, .maxWatches = 0});
        QCOMPARE(w.watcher.watchedFolders(), 0);
        QCOMPARE(w.watcher.polledFolders(), 1);
        home.write(QStringLiteral("Videos/new.mp4"));
        QTRY_COMPARE(w.told.load(), 1);
    }
};

ORSENTA_TEST_MAIN(TestFolderLibrary)
#include "tst_folderlibrary.moc"
