// SPDX-License-Identifier: GPL-3.0-or-later
// Identical copies in the folder library, on real files in a temporary home: which videos of one
// size hold equal bytes, what a check remembers, and what deleting a video gives back.

#include "library/platform/folder/folderplatform.h"
#include "support/fakeclock.h"
#include "support/faketoolkit.h"
#include "support/ordinaryuser.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"
#include "viewmodel/videolistviewmodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

namespace {

constexpr std::int64_t kib = 1024;
constexpr std::int64_t bigSize = 300 * kib; // past 192 KiB: first, middle and last samples

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

// One home for every test: GIO keeps the first home it sees for the Trash.
TempHome *home = nullptr;

// A library of its own: a folder in the home's Videos and an index.
struct Place {
    QString folder;
    QString index;

    Place() {
        static int made = 0;
        ++made;
        folder = home->videos() + u"/library%1"_s.arg(made);
        index = home->path() + u"/index%1.sqlite3"_s.arg(made);
        QDir().mkpath(folder);
    }
    QString file(const QString &name) const { return folder + u'/' + name; }
    std::unique_ptr<FolderPlatform> open() const {
        FolderPlatformOptions options;
        options.roots = LibraryRoots{{bytes(QDir(folder).canonicalPath())}, {}};
        options.indexPath = index;
        options.probeHelperPath = QStringLiteral(ORSENTA_PROBE_HELPER);
        return std::make_unique<FolderPlatform>(options);
    }
};

// Every video of a new scan, by file name.
// The videos by name, as a scan and the fingerprinting pass after it leave them.
std::map<QString, AssetPtr> scan(FolderPlatform &library) {
    std::map<QString, AssetPtr> assets;
    QStringList ids;
    for (const bool fingerprinted : {false, true}) {
        {
            // Gone before the pass: a scan's fetch writes what it read as it ends.
            const auto fetch = library.fetchVideoAssets(library.makeFetchOptions());
            for (std::int64_t i = 0; i < fetch->count(); ++i) {
                AssetPtr asset = fetch->at(i);
                const auto *name =
                    std::get_if<ObjectMember>(asset->members.find(members::originalFilename));
                ids << asset->localIdentifier;
                assets[std::get<QString>(name->value)] = std::move(asset);
            }
        }
        if (!fingerprinted)
            library.fingerprintVideos(ids, {}, {});
    }
    return assets;
}

QStringList idsOf(const std::map<QString, AssetPtr> &assets, const QStringList &names) {
    QStringList ids;
    for (const QString &name : names)
        ids << (assets.count(name) ? assets.at(name)->localIdentifier : u"unknown "_s + name);
    return ids;
}

std::int64_t allocatedBytes(const QString &path) {
    struct stat st {};
    return ::stat(bytes(path).constData(), &st) == 0 ? std::int64_t(st.st_blocks) * 512 : -1;
}

// What the home Trash holds, by path.
QStringList trashed() {
    QStringList paths;
    const QString folder = home->path() + u"/.local/share/Trash/files/"_s;
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        paths << folder + name;
    return paths;
}

} // namespace

class TestFolderCopies : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { home = new TempHome; }
    void cleanupTestCase() { delete home; }

    // Videos v0, v1… of one size: unchanged copies of one content, or with one byte changed.
    void copiesHoldEqualBytes_data() {
        QTest::addColumn<std::int64_t>("size");
        QTest::addColumn<QList<std::int64_t>>("changedAt"); // -1: the shared content as it is
        QTest::addColumn<QStringList>("copies");
        QTest::addColumn<int>("readWhole"); // the others stop after their samples
        const QStringList first2{u"v0.mp4"_s, u"v1.mp4"_s};
        QTest::newRow("small, equal")
            << std::int64_t(1000) << QList<std::int64_t>{-1, -1} << first2 << 2;
        QTest::newRow("small, last byte")
            << std::int64_t(1000) << QList<std::int64_t>{-1, 999} << QStringList() << 0;
        QTest::newRow("first byte") << bigSize << QList<std::int64_t>{-1, -1, 0} << first2 << 2;
        QTest::newRow("middle byte")
            << bigSize << QList<std::int64_t>{-1, -1, bigSize / 2} << first2 << 2;
        QTest::newRow("last byte")
            << bigSize << QList<std::int64_t>{-1, -1, bigSize - 1} << first2 << 2;
        QTest::newRow("a byte outside the samples")
            << bigSize << QList<std::int64_t>{-1, -1, 100 * kib} << first2 << 3;
        QTest::newRow("no two alike")
            << bigSize << QList<std::int64_t>{0, bigSize / 2, -1} << QStringList() << 0;
        QTest::newRow("three copies") << bigSize << QList<std::int64_t>{-1, -1, -1}
                                      << QStringList{u"v0.mp4"_s, u"v1.mp4"_s, u"v2.mp4"_s} << 3;
    }
    void copiesHoldEqualBytes() {
        QFETCH(std::int64_t, size);
        QFETCH(QList<std::int64_t>, changedAt);
        QFETCH(QStringList, copies);
        QFETCH(int, readWhole);
        const Place place;
        const QByteArray content = randomBytes(size);
        QStringList names;
        for (std::int64_t at : changedAt) {
            QByteArray bytes = content;
            if (at >= 0)
                bytes[qsizetype(at)] = char(~bytes[qsizetype(at)]);
            names << u"v%1.mp4"_s.arg(names.size());
            QVERIFY(writeNewFile(place.file(names.back()), bytes));
        }

        auto library = place.open();
        const QStringList ids = idsOf(scan(*library), names);
        ContentCheckProgress last;
        const ContentDigests digests =
            library->checkContent({ids}, [&](ContentCheckProgress p) { last = p; }, {});
        QCOMPARE(digests.size(), std::size_t(ids.size()));
        const QByteArray shared = copies.isEmpty() ? QByteArray() : digests.at(ids[0]);
        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(digests.at(ids[i]), copies.contains(names[i]) ? shared : QByteArray());
        QVERIFY(copies.isEmpty() || !shared.isEmpty());
        const std::int64_t sample = std::min<std::int64_t>(size, 192 * kib);
        const std::int64_t expected = readWhole * size + (names.size() - readWhole) * sample;
        QCOMPARE(library->contentBytesRead(), expected);
        QCOMPARE(std::pair(last.doneBytes, last.totalBytes), std::pair(expected, expected));

        // After a restart, a rescan knows the copies and a check of the same group reads nothing.
        library = place.open();
        const std::map<QString, AssetPtr> again = scan(*library);
        for (const QString &name : copies)
            QCOMPARE(
                std::pair(again.at(name)->file.contentChecked, again.at(name)->file.contentDigest),
                std::pair(true, shared));
        QCOMPARE(library->checkContent({idsOf(again, names)}, {}, {}), digests);
        QCOMPARE(library->contentBytesRead(), std::int64_t(0));
    }

    // What deleting the video v.mp4 gives back, and that the Trash then holds all of it.
    void deletingGivesBackItsOwnBlocks_data() {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"plain", "sparse", "hard link inside", "hard link outside",
                                 "reflinked copy", "hard link inside, replaced since the scan"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void deletingGivesBackItsOwnBlocks() {
        QFETCH(QString, kind);
        const Place place;
        const QString video = place.file(u"v.mp4"_s);
        QByteArray content = randomBytes(256 * kib);
        if (kind == u"sparse")
            content += QByteArray(64 * kib * kib, '\0');
        const int fd = ::open(bytes(video).constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        QVERIFY(fd >= 0 && ::write(fd, content.constData(), 256 * kib) == 256 * kib);
        QVERIFY(::ftruncate(fd, content.size()) == 0);
        ::close(fd);
        const QString inside = place.file(u"z/w.mp4"_s);
        const QString outside = place.folder + u".elsewhere.mp4"_s;
        if (kind.startsWith(u"hard link inside")) {
            QVERIFY(QDir().mkpath(place.file(u"z"_s)));
            QVERIFY(::link(bytes(video).constData(), bytes(inside).constData()) == 0);
        } else if (kind == u"hard link outside") {
            QVERIFY(::link(bytes(video).constData(), bytes(outside).constData()) == 0);
        } else if (kind == u"reflinked copy") {
            const int from = ::open(bytes(video).constData(), O_RDONLY);
            const int to = ::open(bytes(place.file(u"clone.mp4"_s)).constData(),
                                  O_CREAT | O_EXCL | O_WRONLY, 0600);
            const bool cloned = ::ioctl(to, FICLONE, from) == 0;
            ::close(from);
            ::close(to);
            if (!cloned)
                QSKIP("this file system cannot share extents (reflinks need btrfs or XFS)");
            ::sync(); // shared extents show once the clone is on disk
        }

        auto library = place.open();
        const std::map<QString, AssetPtr> assets = scan(*library);
        QCOMPARE(assets.size(), std::size_t(kind == u"reflinked copy" ? 2 : 1));
        const FileFacts &facts = assets.at(u"v.mp4"_s)->file;
        const std::int64_t allocated = allocatedBytes(video);
        if (kind == u"sparse")
            QVERIFY(facts.freedBytes > 0 && facts.freedBytes < content.size() / 100);
        else if (kind == u"hard link outside" || kind == u"reflinked copy")
            QCOMPARE(facts.freedBytes, std::int64_t(0));
        else
            QCOMPARE(facts.freedBytes, allocated);
        QCOMPARE(qsizetype(facts.pathLength), QDir(place.folder).canonicalPath().size() + 6);
        const QFileInfo info(video);
        const QDateTime born = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
        QCOMPARE(std::chrono::floor<std::chrono::milliseconds>(facts.fileTime).time_since_epoch(),
                 std::chrono::milliseconds(born.toMSecsSinceEpoch()));

        // Replacing a link changes the video's own file (its link count), so nothing moves and
        // the user is told why.
        const bool replaced = kind.endsWith(u"since the scan");
        if (replaced)
            QVERIFY(QFile::remove(inside) && writeNewFile(inside, "another video"));
        const QStringList trashedBefore = trashed();
        ChangeOutcome outcome;
        library->performChanges({{assets.at(u"v.mp4"_s)}, {}},
                                [&](ChangeOutcome o) { outcome = std::move(o); });
        const QString error = outcome.error ? outcome.error->description : QString();
        if (replaced) {
            QVERIFY2(!outcome.success && error.contains(u"v.mp4"_s), qPrintable(error));
            QCOMPARE(readFile(inside), "another video");
            QCOMPARE(readFile(video), content);
        } else {
            QVERIFY2(outcome.success && !outcome.error, qPrintable(error));
            QVERIFY(!QFile::exists(video) && !QFile::exists(inside));
        }
        QStringList inTrash = trashed();
        for (const QString &path : trashedBefore)
            inTrash.removeOne(path);
        QCOMPARE(inTrash.size(), kind == u"hard link inside" ? 2 : replaced ? 0 : 1);
        for (const QString &path : inTrash)
            QCOMPARE(readFile(path), content);
        if (kind == u"hard link outside")
            QCOMPARE(readFile(outside), content);
    }

    // Three copies, a video gone since the scan and an identifier the library never gave out,
    // checked while one copy is written to, or until the check is cancelled.
    void aCheckInTroubleClaimsNothingUnsure_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("a copy written while read") << false;
        QTest::newRow("cancelled") << true;
    }
    void aCheckInTroubleClaimsNothingUnsure() {
        QFETCH(bool, cancel);
        const Place place;
        const QByteArray content = randomBytes(3 * kib * kib);
        const QStringList names{u"v0.mp4"_s, u"v1.mp4"_s, u"v2.mp4"_s, u"gone.mp4"_s};
        for (const QString &name : names)
            QVERIFY(writeNewFile(place.file(name), content));
        auto library = place.open();
        const std::map<QString, AssetPtr> assets = scan(*library);
        QVERIFY(QFile::remove(place.file(u"gone.mp4"_s)));
        const QStringList ids = idsOf(assets, names + QStringList{u"never.mp4"_s});

        std::stop_source stop;
        const QString first = place.file(u"v0.mp4"_s);
        const ContentDigests digests = library->checkContent(
            {ids},
            [&](ContentCheckProgress) {
                if (cancel) {
                    stop.request_stop();
                } else if (library->contentBytesRead() == 64 * kib) {
                    QFile file(first);
                    QVERIFY(file.open(QIODevice::ReadWrite) && file.write("changed") == 7);
                }
            },
            stop.get_token());
        if (cancel) {
            QVERIFY(digests.empty());
            QCOMPARE(library->contentBytesRead(), 64 * kib);
        } else {
            QCOMPARE(digests.size(), std::size_t(3));
            QVERIFY(digests.at(ids[0]).isEmpty());
            QVERIFY(!digests.at(ids[1]).isEmpty());
            QCOMPARE(digests.at(ids[1]), digests.at(ids[2]));
        }

        // Nothing was remembered of the written copy: a rescan and a new check read it again.
        const std::map<QString, AssetPtr> again = scan(*library);
        const std::int64_t before = library->contentBytesRead();
        const ContentDigests after = library->checkContent({idsOf(again, names)}, {}, {});
        QVERIFY(library->contentBytesRead() > before);
        QCOMPARE(after.size(), std::size_t(3));
        QCOMPARE(after.at(again.at(u"v0.mp4"_s)->localIdentifier).isEmpty(), !cancel);
        QCOMPARE(readFile(place.file(u"v1.mp4"_s)), content);
    }

    // A copy the user may not read is checked without a digest; the others are told apart as
    // ever.
    void anUnreadableVideoCostsOnlyItself() {
        const Place place;
        const QByteArray content = randomBytes(1000);
        const QStringList names{u"locked.mp4"_s, u"v1.mp4"_s, u"v2.mp4"_s};
        for (const QString &name : names)
            QVERIFY(writeNewFile(place.file(name), content));
        QVERIFY(::chmod(bytes(place.file(names[0])).constData(), 0) == 0);
        const auto told = asOrdinaryUser([&] {
            auto library = place.open();
            const QStringList ids = idsOf(scan(*library), names);
            const ContentDigests digests = library->checkContent({ids}, {}, {});
            return std::array<int, 4>{int(digests.size()), int(digests.at(ids[0]).isEmpty()),
                                      int(digests.at(ids[1]).isEmpty()),
                                      int(digests.at(ids[1]) == digests.at(ids[2]))};
        });
        QCOMPARE(told, (std::array<int, 4>{3, 1, 0, 1}));
    }

    // An index of an earlier version keeps every row and favourite, and gains the content cache
    // and fingerprints, made without reading any container again. The fourth version's
    // fingerprints were made another way and are made again.
    void anEarlierIndexIsUpgraded_data() {
        QTest::addColumn<QByteArray>("downgrade");
        QTest::newRow("first version")
            << QByteArray("DROP TABLE fingerprints; DROP TABLE contents; ALTER TABLE videos DROP "
                          "COLUMN helper_failures; PRAGMA user_version=1");
        QTest::newRow("second version")
            << QByteArray("DROP TABLE fingerprints; DROP TABLE contents; PRAGMA user_version=2");
        QTest::newRow("third version")
            << QByteArray("DROP TABLE fingerprints; PRAGMA user_version=3");
        QTest::newRow("fourth version")
            << QByteArray("UPDATE fingerprints SET frames = zeroblob(256); PRAGMA user_version=4");
    }
    void anEarlierIndexIsUpgraded() {
        QFETCH(QByteArray, downgrade);
        const Place place;
        const QByteArray content = randomBytes(1000);
        QVERIFY(writeNewFile(place.file(u"a.mp4"_s), content));
        QVERIFY(writeNewFile(place.file(u"b.mp4"_s), content));
        QVERIFY(!makeVideo(place.file(u"c.mp4"_s), {}).isEmpty());
        const QStringList names{u"a.mp4"_s, u"b.mp4"_s, u"c.mp4"_s};
        auto library = place.open();
        std::map<QString, AssetPtr> before = scan(*library);
        library->performChanges({{}, {{before.at(u"a.mp4"_s), true}}}, [](ChangeOutcome) {});
        library.reset();
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(bytes(place.index).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, downgrade.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);

        library = place.open();
        const std::map<QString, AssetPtr> after = scan(*library);
        QCOMPARE(idsOf(after, names), idsOf(before, names));
        QVERIFY(after.at(u"a.mp4"_s)->isFavorite && !after.at(u"b.mp4"_s)->isFavorite);
        // Still current: the library-held size says its container was not read again.
        const AssetPtr &video = after.at(u"c.mp4"_s);
        QVERIFY(video->members.find(members::fileSize));
        QCOMPARE(library->fingerprintsMade(), 1);
        QCOMPARE(video->file.fingerprint, before.at(u"c.mp4"_s)->file.fingerprint);
        QVERIFY(!video->file.fingerprint.isEmpty());
        QVERIFY(!library->checkContent({idsOf(after, {u"a.mp4"_s, u"b.mp4"_s})}, {}, {})
                     .at(after.at(u"b.mp4"_s)->localIdentifier)
                     .isEmpty());
        library = place.open();
        const std::map<QString, AssetPtr> remembered = scan(*library);
        QVERIFY(remembered.at(u"a.mp4"_s)->file.contentChecked);
        QCOMPARE(remembered.at(u"c.mp4"_s)->file.fingerprint, video->file.fingerprint);
        QCOMPARE(library->fingerprintsMade(), 0);

        // A fingerprint leaves the index with its video.
        QVERIFY(QFile::remove(place.file(u"c.mp4"_s)));
        scan(*library);
        QCOMPARE(sqlite3_open(bytes(place.index).constData(), &db), SQLITE_OK);
        int kept = -1;
        sqlite3_exec(
            db, "SELECT count(*) FROM fingerprints",
            [](void *count, int, char **values, char **) {
                *static_cast<int *>(count) = std::atoi(values[0]);
                return 0;
            },
            &kept, nullptr);
        sqlite3_close(db);
        QCOMPARE(kept, 0);
    }

    // A file that takes the helper down while it is fingerprinted is tried again, and once it has
    // done so twice in a row it is set aside until it changes.
    void aFileThatCrashesFingerprintingIsSetAside() {
        const Place place;
        const QString video = place.file(u"flaky.mp4"_s);
        QVERIFY(!makeVideo(video, {}).isEmpty());
        // Each pass is a new session whose helpers start at its first fingerprint, so that they
        // see the hook; the file's container was read before, by a fetch of its own.
        const auto read = [&] {
            const auto library = place.open();
            const auto fetch = library->fetchVideoAssets(library->makeFetchOptions());
            for (std::int64_t i = 0; i < fetch->count(); ++i)
                QVERIFY(fetch->at(i));
        };
        const auto pass = [&](bool crash) {
            const auto library = place.open();
            QStringList ids;
            {
                const auto fetch = library->fetchVideoAssets(library->makeFetchOptions());
                for (std::int64_t i = 0; i < fetch->count(); ++i)
                    ids << fetch->at(i)->localIdentifier;
            }
            if (crash)
                qputenv("ORSENTA_PROBE_TEST_CRASH_ON", "flaky");
            const VideoFingerprints made = library->fingerprintVideos(ids, {}, {});
            qunsetenv("ORSENTA_PROBE_TEST_CRASH_ON");
            return std::pair{library->fingerprintsMade(), made.size()};
        };
        const auto touch = [&] {
            const struct timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
            QVERIFY(::utimensat(AT_FDCWD, bytes(video).constData(), times, 0) == 0);
        };
        using Pass = std::pair<std::int64_t, std::size_t>; // fingerprints tried, and made
        read();
        QCOMPARE(pass(true), Pass(1, 0));
        QCOMPARE(pass(false), Pass(1, 1));
        touch();
        read();
        QCOMPARE(pass(true), Pass(1, 0));
        QCOMPARE(pass(true), Pass(1, 0));
        QCOMPARE(pass(false), Pass(0, 0)); // set aside: no pass is held up by it again
        touch();
        read();
        QCOMPARE(pass(false), Pass(1, 1));
    }

    // The whole way through the window's model: a video imported twice with one date, and a
    // same-size stranger. Only the copy is counted and selected, the original name stays, the
    // figures are the copy's blocks, and Undo brings back exactly what moved.
    void extraCopiesGoAndComeBack() {
        const Place place;
        const QString original = place.file(u"IMG_0002.MOV"_s);
        const QString copy = place.file(u"copy of IMG_0002.MOV"_s);
        const QString stranger = place.file(u"IMG_0003.MOV"_s);
        QVERIFY(!makeVideo(original, {.seconds = 2,
                                      .creationTime = QDateTime(QDate(2020, 7, 1), {}, Qt::UTC)})
                     .isEmpty());
        const QByteArray bytesOfOriginal = readFile(original);
        QByteArray other = bytesOfOriginal;
        other[other.size() / 2] = char(other[other.size() / 2] ^ 1);
        QVERIFY(writeNewFile(copy, bytesOfOriginal) && writeNewFile(stranger, other));

        auto platform = std::shared_ptr<FolderPlatform>(place.open());
        VideoListViewModel vm(platform, std::make_shared<FakeToolkit>(),
                              std::make_shared<FakeClock>());
        const auto settled = [&vm] {
            return QTest::qWaitFor([&vm] {
                return !vm.isScanning() && !vm.copyCheck() && !vm.isPerformingItemAction();
            });
        };
        vm.start();
        QVERIFY(settled());
        QCOMPARE(vm.items().size(), 3u);
        const auto idOf = [&vm](const QString &path) {
            for (const VideoItem &item : vm.items()) {
                if (item.displayName() == QFileInfo(path).fileName())
                    return item.localIdentifier();
            }
            return QString();
        };
        const QString copyId = idOf(copy);
        QCOMPARE(vm.duplicates().videoCount, 2);
        QCOMPARE(vm.duplicates().reclaimableBytes, allocatedBytes(copy));
        QCOMPARE(vm.duplicates().keepers.value(idOf(original)), KeeperReason::originalName);
        QVERIFY(!vm.duplicates().copiesOf(vm.items({idOf(stranger)}).front()));

        vm.selectExtraCopies();
        QCOMPARE(vm.selectedIDs(), QSet<QString>{copyId});
        QCOMPARE(vm.selectionStats().freedBytes, allocatedBytes(copy));
        vm.confirmDelete();
        QVERIFY(settled());
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(QTest::qWaitFor([&vm] { return vm.canUndoDeletion(); }));
        QCOMPARE(vm.libraryTrash().videos, 1);
        QVERIFY(vm.libraryTrash().bytes >= vm.selectionStats().freedBytes);

        vm.undoDeletion();
        QVERIFY(QTest::qWaitFor([&vm] { return vm.items().size() == 3 && !vm.isScanning(); }));
        QVERIFY(settled());
        QCOMPARE(readFile(copy), bytesOfOriginal);
        QCOMPARE(readFile(stranger), other);
        QCOMPARE(idOf(copy), copyId);
        QVERIFY(QTest::qWaitFor([&vm] { return vm.libraryTrash() == LibraryTrash{}; }));
        QVERIFY(!vm.canUndoDeletion());
        vm.stop();
    }

    // A smaller encoding of a video is found from what the scan read: one similar group, whose
    // larger picture stays.
    void aSmallerEncodingIsSimilar() {
        const Place place;
        const QString large = place.file(u"trip.mp4"_s);
        const QString small = place.file(u"trip small.mp4"_s);
        QVERIFY(!makeVideo(large, {.width = 320, .height = 240, .seconds = 3}).isEmpty());
        QVERIFY(!makeVideo(small, {.width = 160, .height = 120, .seconds = 3}).isEmpty());
        auto platform = std::shared_ptr<FolderPlatform>(place.open());
        VideoListViewModel vm(platform, std::make_shared<FakeToolkit>(),
                              std::make_shared<FakeClock>());
        vm.start();
        QVERIFY(QTest::qWaitFor([&vm] {
            return !vm.isScanning() && !vm.copyCheck() && !vm.fingerprinting()
                   && !vm.isGroupingSimilar();
        }));
        const SimilarSummary &similar = vm.similar();
        QCOMPARE(similar.groupCount(), 1);
        const QStringList members = similar.groups.front().identifiers;
        QCOMPARE(vm.items({members.front()}).front().displayName(), u"trip.mp4"_s);
        QCOMPARE(similar.groups.front().keeperReason, SimilarKeeperReason::mostPixels);
        QCOMPARE(similar.reclaimableBytes, vm.items({members.back()}).front().freedBytes());
        vm.stop();
    }
};

ORSENTA_TEST_MAIN(TestFolderCopies)
#include "tst_foldercopies.moc"
