// SPDX-License-Identifier: GPL-3.0-or-later
// The visible list: what rebuilds it, how the two sort fields follow each other, what a
// replacement of the records resets, and the duplicates view.

#include "support/testmain.h"
#include "viewmodelfixture.h"

#include <random>

using namespace orsenta;
using namespace orsenta::test;

using Descriptors = QList<VideoTableSortComparator>;
Q_DECLARE_METATYPE(orsenta::VideoTableSortComparator)
Q_DECLARE_METATYPE(orsenta::DateFilter)

namespace {

constexpr VideoTableSortComparator sizeForward{VideoSortColumn::size, SortDirection::forward};
constexpr VideoTableSortComparator sizeReverse{VideoSortColumn::size, SortDirection::reverse};
constexpr VideoTableSortComparator nameForward{VideoSortColumn::name, SortDirection::forward};

// alpha 2020 500 B, beta and gamma 2019 200 B each (a same-size pair), delta 2018 900 B.
[[nodiscard]] bool scanFourVideos(ViewModelFixture &f) {
    f.add({video(u"a"_qs, 500, 2020, u"alpha.mov"_qs), video(u"b"_qs, 200, 2019, u"beta.mov"_qs),
           video(u"c"_qs, 200, 2019, u"gamma.mov"_qs), video(u"d"_qs, 900, 2018, u"delta.mov"_qs)});
    return f.start();
}

} // namespace

class TestViewModelRecompute : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // What each choice rebuilds, where the two sort fields end, and whether the window should
    // offer to clear the filters.
    void triggers_data() {
        QTest::addColumn<Step>("prepare");
        QTest::addColumn<Step>("act");
        QTest::addColumn<int>("recomputes");
        QTest::addColumn<int>("order");
        QTest::addColumn<Descriptors>("table");
        QTest::addColumn<QString>("first"); // empty: nothing visible
        QTest::addColumn<bool>("active");

        // `act` after `prepare`, on four scanned videos.
        const auto row = [](const char *name, int recomputes, VideoSortOrder order,
                            Descriptors table, const char *first, bool active, Step act,
                            Step prepare = {}) {
            QTest::newRow(name) << prepare << act << recomputes << int(order) << table
                                << QString::fromLatin1(first) << active;
        };
        const auto desc = VideoSortOrder::sizeDesc;
        row("same search text", 0, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.setSearchText(QString()); });
        row("new search text", 1, desc, {sizeReverse}, "d", true,
            [](auto &f) { f.vm.setSearchText(u"ta"_qs); });
        // Blank text filters nothing, but a line break alone is taken for a search.
        row("spaces and tabs", 1, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.setSearchText(u" \t\u00a0 "_qs); });
        row("a line break", 1, desc, {sizeReverse}, "d", true,
            [](auto &f) { f.vm.setSearchText(u"\n"_qs); });
        row("same size filter", 0, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.setSizeFilter(SizeFilter::none); });
        row("new size filter", 1, desc, {sizeReverse}, "", true,
            [](auto &f) { f.vm.setSizeFilter(SizeFilter::atLeast2GB); });
        row("same sort order", 0, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.setSortOrder(desc); });
        row("size header clicked while descending", 1, VideoSortOrder::sizeAsc, {sizeForward}, "b",
            false, [](auto &f) { f.vm.setTableSortOrder({sizeForward}); });
        row("table drops its descriptors", 0, desc, {}, "d", false,
            [](auto &f) { f.vm.setTableSortOrder({}); });
        row("two descriptors, a new first", 1, VideoSortOrder::nameAsc, {nameForward}, "a", false,
            [](auto &f) {
                f.vm.setTableSortOrder({nameForward, sizeReverse});
            });
        row("two descriptors, the current first", 0, desc, {sizeReverse, nameForward}, "d", false,
            [](auto &f) {
                f.vm.setTableSortOrder({sizeReverse, nameForward});
            });
        row("menu sort", 1, VideoSortOrder::creationDateAsc,
            {{VideoSortColumn::creationDate, SortDirection::forward}}, "d", false,
            [](auto &f) { f.vm.setSortOrder(VideoSortOrder::creationDateAsc); });
        row("expanding a year", 0, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.setExpandedYear(2019); });
        row("selecting rows", 0, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.setSelectedIDs(f.ids({"a"})); });
        row("same sidebar choice", 0, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.select(DateFilter::all(), false); });
        row("a year", 1, desc, {sizeReverse}, "b", true, [](auto &f) { f.vm.selectYear(2019); });
        const Step duplicates = [](auto &f) { f.vm.showDuplicates(); };
        row("duplicates while sorted by name", 2, desc, {sizeReverse}, "b", true, duplicates,
            [](auto &f) { f.vm.setSortOrder(VideoSortOrder::nameAsc); });
        row("duplicates while sorted by ascending size", 1, VideoSortOrder::sizeAsc, {sizeForward},
            "b", true, duplicates, [](auto &f) { f.vm.setSortOrder(VideoSortOrder::sizeAsc); });
        row(
            "clearing three filters", 3, desc, {sizeReverse}, "d", false,
            [](auto &f) { f.vm.clearFilters(); },
            [](auto &f) {
                f.vm.setSearchText(u"zzz"_qs);
                f.vm.setSizeFilter(SizeFilter::atLeast1GB);
                f.vm.selectYear(2019);
            });
        // Search keys are folded under the locale: in Turkish "IMG" holds a dotless ı.
        const Step turkishName = [](auto &f) {
            f.add({video(u"i"_qs, 100, 2021, u"IMG.mov"_qs)});
            QVERIFY(f.scan());
            f.vm.setSearchText(u"\u0131mg"_qs);
        };
        const auto toTurkish = [] {
            QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
        };
        row(
            "the application's notice of a new locale", 1, desc, {sizeReverse}, "i", true,
            [toTurkish](auto &) {
                toTurkish();
                QEvent changed(QEvent::LocaleChange);
                QCoreApplication::sendEvent(QCoreApplication::instance(), &changed);
            },
            turkishName);
        row(
            "a search after the locale changed unannounced", 1, desc, {sizeReverse}, "i", true,
            [toTurkish](auto &f) {
                toTurkish();
                f.vm.setSearchText(u"\u0131m"_qs);
            },
            turkishName);
    }
    void triggers() {
        QFETCH(Step, prepare);
        QFETCH(Step, act);
        QFETCH(int, recomputes);
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        if (prepare)
            prepare(f);
        const std::int64_t rowSet = f.vm.rowSetIdentity();
        QSignalSpy published(&f.vm, &VideoListViewModel::visibleItemsChanged);
        act(f);
        QCOMPARE(published.size(), recomputes);
        QCOMPARE(f.vm.rowSetIdentity(), rowSet + recomputes);
        QTEST(int(f.vm.sortOrder()), "order");
        QTEST(f.vm.tableSortOrder(), "table");
        QTEST(identifiersOf(f.vm.visibleItems()).value(0), "first");
        QCOMPARE(f.vm.stats().visibleCount, std::int64_t(f.vm.visibleItems().size()));
        QTEST(f.vm.hasActiveFilters(), "active");
    }

    void derivedStateIsAnnouncedOnlyWhenItChanges() {
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        // A favourite changes no total, bucket or group; the list is republished all the same.
        QSignalSpy visible(&f.vm, &VideoListViewModel::visibleItemsChanged);
        QSignalSpy stats(&f.vm, &VideoListViewModel::statsChanged);
        QSignalSpy years(&f.vm, &VideoListViewModel::yearBucketsChanged);
        QSignalSpy duplicates(&f.vm, &VideoListViewModel::duplicatesChanged);
        f.vm.toggleFavorite(f.records({"a"}));
        QVERIFY(f.acted());
        QCOMPARE(visible.size(), 1);
        QCOMPARE(stats.size() + years.size() + duplicates.size(), 0);
        QVERIFY(f.record("a").isFavorite());
    }

    void vanishedYearCollapses_data() {
        QTest::addColumn<DateFilter>("filter");
        QTest::addColumn<bool>("filterReset");
        QTest::newRow("a month of that year") << DateFilter::month(2019, 6) << true;
        QTest::newRow("another year") << DateFilter::year(2018) << false;
    }
    void vanishedYearCollapses() {
        QFETCH(DateFilter, filter);
        QFETCH(bool, filterReset);
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        f.vm.selectYear(2019);
        f.vm.select(filter, false);
        const std::int64_t rowSet = f.vm.rowSetIdentity();
        f.changeOutside({"b", "c"});
        QCOMPARE(f.vm.expandedYear(), std::nullopt);
        QCOMPARE(f.vm.dateFilter(), filterReset ? DateFilter::all() : filter);
        QCOMPARE(f.vm.rowSetIdentity(), rowSet + (filterReset ? 1 : 0));
        QCOMPARE(f.vm.visibleItems().size(), filterReset ? 2u : 1u);
    }

    // Selecting the extra copies leaves any date for the duplicates view, which ends with the
    // last pair.
    void extraCopiesAndTheDuplicatesView() {
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        f.vm.selectYear(2018);
        f.vm.selectExtraCopies();
        QVERIFY(f.vm.showsDuplicates());
        QCOMPARE(f.vm.expandedYear(), std::nullopt);
        QCOMPARE(f.vm.selectedIDs(), f.ids({"c"}));
        QCOMPARE(f.vm.selectionStats(), (SelectionStats{1, 200, 0, 200}));
        const std::int64_t rowSet = f.vm.rowSetIdentity();
        f.vm.requestDelete(f.vm.selectedItems());
        f.vm.confirmDelete();
        QVERIFY(f.acted());
        QVERIFY(!f.vm.showsDuplicates());
        QCOMPARE(f.vm.duplicates(), DuplicateSummary{});
        QCOMPARE(f.vm.rowSetIdentity(), rowSet + 1);
        QCOMPARE(identifiersOf(f.vm.visibleItems()), (QStringList{u"d"_qs, u"a"_qs, u"b"_qs}));
    }

    // Copies are chosen among the videos shown: what a search or a size filter hides is neither
    // kept nor selected, and same-size strangers never are.
    void extraCopiesOfTheShownVideos_data() {
        QTest::addColumn<Step>("narrow");
        QTest::addColumn<QStringList>("selected");
        const auto search = [](const char *text) {
            return Step(
                [text](ViewModelFixture &f) { f.vm.setSearchText(QString::fromUtf8(text)); });
        };
        QTest::newRow("whole library") << Step() << QStringList{u"t2"_qs, u"t3"_qs, u"w2"_qs};
        QTest::newRow("search shows two of three") << search("trip") << QStringList{u"t2"_qs};
        QTest::newRow("search hides the keeper") << search("y") << QStringList{u"t3"_qs};
        QTest::newRow("one shown member") << search("holiday") << QStringList();
        QTest::newRow("size filter")
            << Step([](ViewModelFixture &f) { f.vm.setSizeFilter(SizeFilter::atLeast100MB); })
            << QStringList{u"t2"_qs, u"t3"_qs};
    }
    void extraCopiesOfTheShownVideos() {
        QFETCH(Step, narrow);
        ViewModelFixture f;
        const auto asset = [](const char *id, const char *name, std::int64_t bytes, int year,
                              const char *content) {
            MemoryAsset a = video(QString::fromLatin1(id), bytes, year, QString::fromUtf8(name));
            a.asset.creationDate = localTime(year, 1, 1);
            a.resourceData = content;
            return a;
        };
        constexpr std::int64_t big = 150 << 20;
        f.add({asset("t1", "trip.mov", big, 2020, "T"),
               asset("t2", "trip copy.mov", big, 2020, "T"),
               asset("t3", "holiday.mov", big, 2021, "T"), asset("w1", "walk.mov", 1000, 2019, "W"),
               asset("w2", "walk (2).mov", 1000, 2019, "W"),
               asset("x1", "stranger.mov", 1000, 2019, "X1"),
               asset("x2", "other.mov", 1000, 2019, "X2")});
        QVERIFY(f.start());
        QCOMPARE(f.vm.duplicates().videoCount, 5);
        QCOMPARE(f.vm.duplicates().reclaimableBytes, 2 * big + 1000);
        QCOMPARE(f.vm.duplicates().keeperReason(f.record("t1")), KeeperReason::originalName);
        if (narrow)
            narrow(f);
        f.vm.selectExtraCopies();
        QVERIFY(f.vm.showsDuplicates());
        QTEST(sorted(f.vm.selectedIDs()), "selected");
    }

    // Select Extra Copies waits for the check of same-size videos; Stop ends the check, and
    // what it did not read is never called a copy. A new scan that ends while the stopped check
    // still reads its last file checks again once that one is done.
    void extraCopiesWaitForTheCheck_data() {
        QTest::addColumn<QString>("interruption");
        QTest::newRow("check ends") << QString();
        QTest::newRow("check stopped") << u"stop"_qs;
        QTest::newRow("new scan") << u"rescan"_qs;
    }
    void extraCopiesWaitForTheCheck() {
        QFETCH(QString, interruption);
        ViewModelFixture f;
        f.platform->holdContentChecks(true);
        QVERIFY(scanFourVideos(f) || f.vm.copyCheck());
        QVERIFY(f.vm.copyCheck());
        QCOMPARE(f.vm.status().key(), StatusText::Key::checkingCopies);
        QCOMPARE(f.vm.duplicates().videoCount, 0);
        QCOMPARE(f.vm.duplicates().uncheckedCount, 2);
        f.vm.selectExtraCopies();
        QVERIFY(f.vm.showsDuplicates());
        QCOMPARE(identifiersOf(f.vm.visibleItems()), (QStringList{u"b"_qs, u"c"_qs}));
        QVERIFY(f.vm.selectedIDs().isEmpty());
        const bool stopped = interruption == u"stop"_qs;
        if (stopped)
            f.vm.cancelScan();
        if (interruption == u"rescan"_qs) {
            f.vm.startScan();
            QVERIFY(QTest::qWaitFor([&] { return !f.vm.isScanning(); }));
            QVERIFY(f.vm.copyCheck());
        }
        f.platform->holdContentChecks(false);
        QVERIFY(f.settled());
        QCOMPARE(f.vm.selectedIDs(), interruption.isEmpty() ? f.ids({"c"}) : QSet<QString>());
        QCOMPARE(f.vm.duplicates().videoCount, stopped ? 0 : 2);
        QCOMPARE(f.vm.status().key(),
                 stopped ? StatusText::Key::copyCheckStopped : StatusText::Key::scanCompleted);
        if (stopped) {
            QVERIFY(f.scan());
            QCOMPARE(f.vm.duplicates().videoCount, 2);
        }
    }

    // Similar videos are grouped once the scan ends. Their view holds each group together, its
    // keeper first; selecting the extra copies takes every shown copy but the keeper; the compare
    // view opens on a member's group; choosing another view leaves them.
    void similarVideos() {
        ViewModelFixture f;
        // Copies of one seed differ from one another by a few bits in each frame.
        const auto copy = [](const char *id, std::int64_t bytes, int width, int height,
                             std::uint64_t seed, int flippedBits) {
            MemoryAsset a = video(QString::fromLatin1(id), bytes);
            a.asset.duration = 30;
            a.asset.pixelWidth = width;
            a.asset.pixelHeight = height;
            std::mt19937_64 frames(seed);
            const std::uint64_t flipped = ((1ull << flippedBits) - 1) << 1;
            for (int i = 0; i < fingerprintFrameCount; ++i)
                a.asset.file.fingerprint.frames.push_back((frames() | 1) ^ flipped);
            return a;
        };
        f.add({copy("trip4k", 9000, 3840, 2160, 1, 0), copy("trip", 1000, 1280, 720, 1, 3),
               copy("tripweb", 500, 640, 360, 1, 5), copy("walk", 3000, 1920, 1080, 2, 0),
               copy("walksmall", 700, 640, 360, 2, 4), copy("dog", 2000, 1920, 1080, 3, 0)});
        QVERIFY(f.start());
        const SimilarSummary &similar = f.vm.similar();
        QCOMPARE(similar.groupCount(), 2);
        QCOMPARE(similar.videoCount, 5);
        QCOMPARE(similar.keeperReason(u"trip4k"_qs), SimilarKeeperReason::mostPixels);
        f.vm.showSimilar();
        QVERIFY(f.vm.hasActiveFilters());
        QCOMPARE(
            identifiersOf(f.vm.visibleItems()),
            (QStringList{u"trip4k"_qs, u"trip"_qs, u"tripweb"_qs, u"walk"_qs, u"walksmall"_qs}));
        f.vm.setSearchText(u"trip"_qs);
        QCOMPARE(f.vm.similarGroupsToThin().size(), 1u);
        f.vm.selectExtraSimilar();
        QCOMPARE(sorted(f.vm.selectedIDs()), (QStringList{u"trip"_qs, u"tripweb"_qs}));
        f.vm.compareSimilar(f.record("tripweb"));
        QVERIFY(f.vm.comparedGroup());
        QCOMPARE(f.vm.comparedGroup()->identifiers.front(), u"trip4k"_qs);
        f.vm.compareSimilar(f.record("dog"));
        QCOMPARE(f.vm.comparedGroup()->identifiers.front(), u"trip4k"_qs);
        f.vm.select(DateFilter::all(), false);
        QVERIFY(!f.vm.showsSimilar());
        // A new scan starts without groups and makes them again.
        f.vm.startScan();
        QVERIFY(f.vm.similar().isEmpty());
        QVERIFY(f.settled());
        QCOMPARE(f.vm.similar().groupCount(), 2);
        // Records rebuilt for a new locale keep what the library said of their files.
        QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
        f.vm.setSearchText(u"i"_qs);
        QCOMPARE(f.record("trip").fileFacts().fingerprint.frames.size(),
                 std::size_t(fingerprintFrameCount));
    }
};

ORSENTA_TEST_MAIN(TestViewModelRecompute)
#include "tst_viewmodelrecompute.moc"
