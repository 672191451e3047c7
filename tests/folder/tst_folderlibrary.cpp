// The folder library through the photo library service, on real videos in a temporary home:
// reading, identity across renames, bad files, access, and change notifications.

#include "library/photolibraryservice.h"
#include "library/platform/folder/changewatcher.h"
#include "library/platform/folder/folderplatform.h"
#include "support/awaittask.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

namespace {

struct Library {
    std::shared_ptr<FolderPlatform> platform;
    std::shared_ptr<PhotoLibraryService> service;

    explicit Library(const TempHome &home) {
        FolderPlatformOptions options;
        options.indexPath = home.indexPath();
        options.probeHelperPath = QStringLiteral(ORSENTA_PROBE_HELPER);
        platform = std::make_shared<FolderPlatform>(options);
        service = PhotoLibraryService::create(platform);
    }

    struct Scan {
        std::vector<VideoItem> items;
        ScanTimings timings;
        const VideoItem *named(const QString &name) const {
            for (const VideoItem &item : items) {
                if (item.displayName() == name)
                    return &item;
            }
            return nullptr;
        }
    };
    Scan scan() {
        Scan result;
        await(service->requestAccess());
        const std::int64_t count = await(service->beginScan());
        for (std::int64_t offset = 0; offset < count; offset += 200) {
            auto batch = await(service->nextScanBatch(offset, 200));
            std::move(batch.begin(), batch.end(), std::back_inserter(result.items));
        }
        result.timings = await(service->finishScan());
        return result;
    }
};

QDateTime utc(int y, int m, int d, int h = 12) {
    return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC);
}

} // namespace

class TestFolderLibrary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsRealVideosThenRemembersThem() {
        TempHome home;
        VideoSpec portrait;
        portrait.width = 320;
        portrait.height = 176;
        portrait.rotation = 90;
        portrait.creationTime = utc(2021, 5, 6);
        QVERIFY(!makeVideo(home.videos() + QStringLiteral("/IMG_0001.MOV"), portrait).isEmpty());
        VideoSpec wide;
        wide.seconds = 2;
        wide.container = Container::mkv;
        QDir().mkpath(home.pictures() + QStringLiteral("/2022"));
        QVERIFY(!makeVideo(home.pictures() + QStringLiteral("/2022/wide.mkv"), wide).isEmpty());

        Library first(home);
        const Library::Scan scan = first.scan();
        QCOMPARE(scan.items.size(), 2u);
        QCOMPARE(scan.timings.slowPathCount, 2);
        const VideoItem *phone = scan.named(QStringLiteral("IMG_0001.MOV"));
        QVERIFY(phone);
        QCOMPARE(phone->pixelWidth(), 176);
        QCOMPARE(phone->pixelHeight(), 320);
        QCOMPARE(phone->creationYear(), 2021);
        QCOMPARE(phone->creationMonth(), 5);
        QVERIFY(std::abs(phone->duration() - 1.0) < 0.2);
        const qint64 fileSize = QFileInfo(home.videos() + QStringLiteral("/IMG_0001.MOV")).size();
        QCOMPARE(phone->sizeState(), SizeState::known(fileSize, SizeSource::resourceDataSize));
        const VideoItem *mkv = scan.named(QStringLiteral("wide.mkv"));
        QVERIFY(mkv);
        QCOMPARE(mkv->pixelWidth(), 320);
        QVERIFY(std::abs(mkv->duration() - 2.0) < 0.2);
        // Without a creation tag the file's own dates stand in: never the unknown date.
        QVERIFY(mkv->creationYear() > 2000);

        // A second scan reads everything from the index, under the same identifiers.
        Library second(home);
        const Library::Scan again = second.scan();
        QCOMPARE(again.timings.slowPathCount, 0);
        QCOMPARE(again.named(QStringLiteral("IMG_0001.MOV"))->localIdentifier(),
                 phone->localIdentifier());
        QCOMPARE(again.named(QStringLiteral("IMG_0001.MOV"))->sizeState(),
                 SizeState::known(fileSize, SizeSource::photosMetadata));
        QCOMPARE(again.named(QStringLiteral("IMG_0001.MOV"))->pixelHeight(), 320);
    }

    void identityFollowsTheFile() {
        TempHome home;
        const QString a = home.write(QStringLiteral("Videos/a.mp4"), "first video");
        const QString b = home.write(QStringLiteral("Videos/b.mp4"), "second video");
        Library library(home);
        const auto before = library.scan();
        const QString idA = before.named(QStringLiteral("a.mp4"))->localIdentifier();
        const QString idB = before.named(QStringLiteral("b.mp4"))->localIdentifier();
        await(library.service->setFavorite({idA}, true));

        // a moves to a sub-folder under a new name; b is replaced by another file of its name.
        QDir().mkpath(home.videos() + QStringLiteral("/moved"));
        QVERIFY(QFile::rename(a, home.videos() + QStringLiteral("/moved/renamed.mp4")));
        QVERIFY(QFile::remove(b));
        home.write(QStringLiteral("Videos/b.mp4"), "a different video");

        const auto after = Library(home).scan();
        QCOMPARE(after.items.size(), 2u);
        const VideoItem *moved = after.named(QStringLiteral("renamed.mp4"));
        QVERIFY(moved);
        QCOMPARE(moved->localIdentifier(), idA);
        QVERIFY(moved->isFavorite());
        QVERIFY(after.named(QStringLiteral("b.mp4"))->localIdentifier() != idB);
    }

    // Every bad file ends in a clear state of its own and costs nothing else.
    void badFilesCostOnlyThemselves() {
        TempHome home;
        const QString v = home.videos();
        QVERIFY(!makeVideo(v + QStringLiteral("/good.mp4"), {}).isEmpty());
        QFile good(v + QStringLiteral("/good.mp4"));
        QVERIFY(good.open(QIODevice::ReadOnly));
        const QByteArray whole = good.readAll();
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
        Library library(home);
        const auto scan = library.scan();
        qunsetenv("ORSENTA_PROBE_TEST_CRASH_ON");

        QCOMPARE(scan.items.size(), 9u); // not the pipe, not the loop
        for (const char *name : {"truncated.mp4", "empty.mov", "random.mkv", "playlist.mp4",
                                 "crash me.mp4", "huge.mov"}) {
            const VideoItem *item = scan.named(QString::fromLatin1(name));
            QVERIFY2(item, name);
            QCOMPARE(item->duration(), 0.0);
            QVERIFY(item->creationYear() > 2000);
        }
        QCOMPARE(scan.named(QStringLiteral("empty.mov"))->sizeState(), SizeState::unavailable());
        // The sparse file is measured by what it occupies, not by its length.
        QVERIFY(scan.named(QStringLiteral("huge.mov"))->sizeState().bytes() < 1000 * 1000);
        QVERIFY(scan.named(QStringLiteral("100% new\nline.mp4"))->duration() > 0.5);
        QVERIFY(scan.named(QStringLiteral("good.mp4"))->duration() > 0.5);
        const auto latin1 =
            std::find_if(scan.items.begin(), scan.items.end(), [](const VideoItem &i) {
                return i.displayName().startsWith(QStringLiteral("caf"));
            });
        QVERIFY(latin1 != scan.items.end() && latin1->duration() > 0.5);
    }

    void vanishedFilesAreNoLongerThere() {
        TempHome home;
        const QString a = home.write(QStringLiteral("Videos/a.mp4"));
        home.write(QStringLiteral("Videos/b.mp4"));
        Library library(home);
        await(library.service->requestAccess());
        QCOMPARE(await(library.service->beginScan()), 2);
        QVERIFY(QFile::remove(a)); // between the walk and the read
        const auto items = await(library.service->nextScanBatch(0, 10));
        QCOMPARE(items.size(), 2u);
        QStringList ids;
        for (const VideoItem &item : items)
            ids << item.localIdentifier();
        QCOMPARE(await(library.service->existingIdentifiers(ids)).size(), 1);
        const auto sizes = await(library.service->probeSizes(ids, 6));
        QCOMPARE(sizes.value(items[0].displayName() == QStringLiteral("a.mp4") ? ids[0] : ids[1]),
                 SizeState::failed());
    }

    void accessFollowsThePermissions() {
        TempHome home;
        QVERIFY(::chmod(bytes(home.pictures()).constData(), 0555) == 0);
        int report[2];
        QVERIFY(::pipe(report) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(2);
            FolderPlatformOptions options;
            options.roots = LibraryRoots{{bytes(home.videos()), bytes(home.pictures())}, {}};
            options.indexPath = QStringLiteral("/nonexistent/index.sqlite3");
            FolderPlatform platform(options);
            int statuses[2] = {int(platform.authorizationStatus()), -1};
            platform.requestAuthorization([&](AuthorizationStatus s) { statuses[1] = int(s); });
            ::_exit(::write(report[1], statuses, sizeof statuses) == sizeof statuses ? 0 : 3);
        }
        ::close(report[1]);
        int statuses[2] = {-1, -1};
        QCOMPARE(::read(report[0], statuses, sizeof statuses), ssize_t(sizeof statuses));
        ::close(report[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        QCOMPARE(AuthorizationStatus(statuses[0]), AuthorizationStatus::notDetermined);
        // Someone else's folders: readable, not writable.
        QCOMPARE(AuthorizationStatus(statuses[1]), AuthorizationStatus::limited);
    }

    void changesAreToldOncePerBurst() {
        TempHome home;
        QDir().mkpath(home.videos() + QStringLiteral("/sub"));
        ChangeWatcher::Timing timing;
        timing.quiet = std::chrono::milliseconds(100);
        timing.longest = std::chrono::milliseconds(3000);
        ChangeWatcher watcher(LibraryRoots{{bytes(QDir(home.videos()).canonicalPath())}, {}},
                              timing);
        std::atomic<int> told{0};
        watcher.addObserver([&] { ++told; });
        QCOMPARE(watcher.watchedFolders(), 2);

        for (int i = 0; i < 1000; ++i)
            home.write(QStringLiteral("Videos/sub/burst%1.mp4").arg(i));
        QTRY_VERIFY(told.load() >= 1);
        QVERIFY(told.load() <= 3);

        // A folder made later is watched too.
        const int before = told.load();
        QDir().mkpath(home.videos() + QStringLiteral("/later"));
        QTRY_COMPARE(told.load(), before + 1);
        QTRY_COMPARE(watcher.watchedFolders(), 3);
        home.write(QStringLiteral("Videos/later/new.mp4"));
        QTRY_COMPARE(told.load(), before + 2);
    }

    void foldersWithoutWatchesArePolled() {
        TempHome home;
        ChangeWatcher::Timing timing;
        timing.quiet = std::chrono::milliseconds(50);
        timing.pollInterval = std::chrono::milliseconds(100);
        timing.maxWatches = 0;
        ChangeWatcher watcher(LibraryRoots{{bytes(QDir(home.videos()).canonicalPath())}, {}},
                              timing);
        std::atomic<int> told{0};
        watcher.addObserver([&] { ++told; });
        QCOMPARE(watcher.watchedFolders(), 0);
        QCOMPARE(watcher.polledFolders(), 1);
        home.write(QStringLiteral("Videos/new.mp4"));
        QTRY_COMPARE(told.load(), 1);
    }
};

ORSENTA_TEST_MAIN(TestFolderLibrary)
#include "tst_folderlibrary.moc"
