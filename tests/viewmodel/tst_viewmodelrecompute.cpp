// The visible list: what rebuilds it, how the two sort fields follow each other, and what a
// replacement of the records resets.

#include "support/testmain.h"
#include "viewmodelfixture.h"

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
    f.vm.start();
    return QTest::qWaitFor([&f] { return !f.vm.isScanning(); });
}

// Takes videos away behind the view model's back and lets it notice.
void removeOutside(ViewModelFixture &f, std::initializer_list<const char *> ids) {
    for (const char *id : ids)
        f.platform->removeAsset(QString::fromLatin1(id));
    f.platform->notifyChange();
    f.settle();
}

} // namespace

class TestViewModelRecompute : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void triggers_data() {
        QTest::addColumn<Step>("prepare");
        QTest::addColumn<Step>("act");
        QTest::addColumn<int>("recomputes");
        QTest::addColumn<int>("order");
        QTest::addColumn<Descriptors>("table");
        QTest::addColumn<QString>("first");

        const Step nothing = [](ViewModelFixture &) {};
        const auto row = [&](const char *name, Step prepare, Step act, int recomputes,
                             VideoSortOrder order, Descriptors table, const char *first) {
            QTest::newRow(name) << prepare << act << recomputes << int(order) << table
                                << QString::fromLatin1(first);
        };
        const auto desc = VideoSortOrder::sizeDesc;
        row(
            "same search text", nothing, [](auto &f) { f.vm.setSearchText(QString()); }, 0, desc,
            {sizeReverse}, "d");
        row(
            "new search text", nothing, [](auto &f) { f.vm.setSearchText(u"ta"_qs); }, 1, desc,
            {sizeReverse}, "d");
        row(
            "same size filter", nothing, [](auto &f) { f.vm.setSizeFilter(SizeFilter::none); }, 0,
            desc, {sizeReverse}, "d");
        row(
            "same sort order", nothing, [](auto &f) { f.vm.setSortOrder(desc); }, 0, desc,
            {sizeReverse}, "d");
        row(
            "size header clicked while descending", nothing,
            [](auto &f) { f.vm.setTableSortOrder({sizeForward}); }, 1, VideoSortOrder::sizeAsc,
            {sizeForward}, "b");
        row(
            "table drops its descriptors", nothing, [](auto &f) { f.vm.setTableSortOrder({}); }, 0,
            desc, {}, "d");
        row(
            "two descriptors, a new first", nothing,
            [](auto &f) {
                f.vm.setTableSortOrder({nameForward, sizeReverse});
            },
            1, VideoSortOrder::nameAsc, {nameForward}, "a");
        row(
            "two descriptors, the current first", nothing,
            [](auto &f) {
                f.vm.setTableSortOrder({sizeReverse, nameForward});
            },
            0, desc, {sizeReverse, nameForward}, "d");
        row(
            "menu sort", nothing,
            [](auto &f) { f.vm.setSortOrder(VideoSortOrder::creationDateAsc); }, 1,
            VideoSortOrder::creationDateAsc,
            {{VideoSortColumn::creationDate, SortDirection::forward}}, "d");
        row(
            "expanding a year", nothing, [](auto &f) { f.vm.setExpandedYear(2019); }, 0, desc,
            {sizeReverse}, "d");
        row(
            "selecting rows", nothing, [](auto &f) { f.vm.setSelectedIDs(f.ids({"a"})); }, 0, desc,
            {sizeReverse}, "d");
        row(
            "same sidebar choice", nothing, [](auto &f) { f.vm.select(DateFilter::all(), false); },
            0, desc, {sizeReverse}, "d");
        row(
            "a year", nothing, [](auto &f) { f.vm.selectYear(2019); }, 1, desc, {sizeReverse}, "b");
        row(
            "duplicates while sorted by name",
            [](auto &f) { f.vm.setSortOrder(VideoSortOrder::nameAsc); },
            [](auto &f) { f.vm.showDuplicates(); }, 2, desc, {sizeReverse}, "b");
        row(
            "duplicates while sorted by ascending size",
            [](auto &f) { f.vm.setSortOrder(VideoSortOrder::sizeAsc); },
            [](auto &f) { f.vm.showDuplicates(); }, 1, VideoSortOrder::sizeAsc, {sizeForward}, "b");
        row(
            "clearing three filters",
            [](auto &f) {
                f.vm.setSearchText(u"zzz"_qs);
                f.vm.setSizeFilter(SizeFilter::atLeast1GB);
                f.vm.selectYear(2019);
            },
            [](auto &f) { f.vm.clearFilters(); }, 3, desc, {sizeReverse}, "d");
    }
    void triggers() {
        QFETCH(Step, prepare);
        QFETCH(Step, act);
        QFETCH(int, recomputes);
        QFETCH(int, order);
        QFETCH(Descriptors, table);
        QFETCH(QString, first);
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        prepare(f);
        const std::int64_t rowSet = f.vm.rowSetIdentity();
        QSignalSpy published(&f.vm, &VideoListViewModel::visibleItemsChanged);
        act(f);
        QCOMPARE(published.size(), recomputes);
        QCOMPARE(f.vm.rowSetIdentity(), rowSet + recomputes);
        QCOMPARE(int(f.vm.sortOrder()), order);
        QCOMPARE(f.vm.tableSortOrder(), table);
        QCOMPARE(f.vm.visibleItems().front().localIdentifier(), first);
        QCOMPARE(f.vm.stats().visibleCount, std::int64_t(f.vm.visibleItems().size()));
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
        QCOMPARE(stats.size(), 0);
        QCOMPARE(years.size(), 0);
        QCOMPARE(duplicates.size(), 0);
        QVERIFY(f.vm.items(f.ids({"a"})).front().isFavorite());
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
        removeOutside(f, {"b", "c"});
        QCOMPARE(f.vm.expandedYear(), std::nullopt);
        QCOMPARE(f.vm.dateFilter(), filterReset ? DateFilter::all() : filter);
        QCOMPARE(f.vm.rowSetIdentity(), rowSet + (filterReset ? 1 : 0));
        QCOMPARE(f.vm.visibleItems().size(), filterReset ? 2u : 1u);
    }

    void duplicatesViewEndsWithTheLastPair() {
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        f.vm.showDuplicates();
        const std::int64_t rowSet = f.vm.rowSetIdentity();
        f.vm.requestDelete(f.records({"c"}));
        f.vm.confirmDelete();
        QVERIFY(f.acted());
        QVERIFY(!f.vm.showsDuplicates());
        QCOMPARE(f.vm.duplicates(), DuplicateSummary{});
        QCOMPARE(f.vm.rowSetIdentity(), rowSet + 1);
        QCOMPARE(identifiersOf(f.vm.visibleItems()), (QStringList{u"d"_qs, u"a"_qs, u"b"_qs}));
    }

    void filtersNeverChangeTheSelection() {
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        f.vm.setSelectedIDs(f.ids({"b", "c"}));
        f.vm.setSearchText(u"alpha"_qs);
        QCOMPARE(f.vm.selectedIDs(), f.ids({"b", "c"}));
        QCOMPARE(f.vm.selectionStats(), (SelectionStats{2, 400, 0}));
    }

    void activeFilters_data() {
        QTest::addColumn<Step>("choose");
        QTest::addColumn<bool>("active");
        QTest::newRow("nothing chosen") << Step([](auto &) {}) << false;
        QTest::newRow("spaces and tabs")
            << Step([](auto &f) { f.vm.setSearchText(u" \t\u00a0 "_qs); }) << false;
        QTest::newRow("a line break")
            << Step([](auto &f) { f.vm.setSearchText(u"\n"_qs); }) << true;
        QTest::newRow("a size") << Step([](auto &f) { f.vm.setSizeFilter(SizeFilter::atLeast2GB); })
                                << true;
        QTest::newRow("a year") << Step([](auto &f) { f.vm.selectYear(2020); }) << true;
        QTest::newRow("duplicates") << Step([](auto &f) { f.vm.showDuplicates(); }) << true;
    }
    void activeFilters() {
        QFETCH(Step, choose);
        QFETCH(bool, active);
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        choose(f);
        QCOMPARE(f.vm.hasActiveFilters(), active);
    }

    void itemsForIdentifiers() {
        ViewModelFixture f;
        QVERIFY(scanFourVideos(f));
        f.vm.setSelectedIDs(f.ids({"a", "b", "unknown"}));
        QStringList selected = identifiersOf(f.vm.items({}));
        selected.sort();
        QCOMPARE(selected, (QStringList{u"a"_qs, u"b"_qs}));
        QCOMPARE(f.vm.selectedItems().size(), 2u);
        QCOMPARE(identifiersOf(f.vm.items(f.ids({"d", "unknown"}))), QStringList{u"d"_qs});
    }
};

ORSENTA_TEST_MAIN(TestViewModelRecompute)
#include "tst_viewmodelrecompute.moc"
