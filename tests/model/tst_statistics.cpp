// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/statistics.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(orsenta::LibraryStats)
Q_DECLARE_METATYPE(orsenta::SelectionStats)

class TestStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void libraryStats_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<std::int64_t>("visibleCount");
        QTest::addColumn<LibraryStats>("expected");
        QTest::newRow("empty library") << ItemList{} << std::int64_t(0) << LibraryStats{};
        QTest::newRow("known, zero, unavailable, failed")
            << ItemList{sized(u"a"_s, 100), sized(u"b"_s, 0), sized(u"c"_s, std::nullopt),
                        failed(u"d"_s)}
            << std::int64_t(3) << LibraryStats{4, 3, 100, 2};
        QTest::newRow("64-bit sums")
            << ItemList{sized(u"a"_s, 3'000'000'000), sized(u"b"_s, 3'000'000'000)}
            << std::int64_t(2) << LibraryStats{2, 2, 6'000'000'000, 0};
        // As a probe leaves it: any measure of a size counts as known.
        QTest::newRow("probed size")
            << ItemList{sized(u"a"_s, 100), failed(u"b"_s).withSizeState(
                                                SizeState::known(50, SizeSource::fileAttributes))}
            << std::int64_t(1) << LibraryStats{2, 1, 150, 0};
    }

    void libraryStats() {
        QFETCH(ItemList, items);
        QFETCH(std::int64_t, visibleCount);
        QFETCH(LibraryStats, expected);
        QCOMPARE(orsenta::libraryStats(items, visibleCount), expected);
    }

    void selectionStats_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<SelectionStats>("expected");
        const auto row = [](const char *name, const QStringList &ids, SelectionStats stats) {
            QTest::newRow(name) << ids << stats;
        };
        row("empty selection", {}, {});
        row("one identifier names no record", {u"a"_s, u"gone"_s, u"c"_s}, {2, 100, 1, 100});
        row("only unknown sizes", {u"c"_s, u"d"_s}, {2, 0, 2, 0});
        row("known zero is known", {u"b"_s}, {1, 0, 0, 0});
        row("freed bytes where the file says, else the size", {u"a"_s, u"s"_s, u"l"_s},
            {3, 2'100, 0, 100 + 4'096});
        row("everything", {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s},
            {5, 3'000'000'100, 2, 3'000'000'100});
        row("nothing that exists", {u"x"_s, u"A"_s}, {});
    }

    void selectionStats() {
        QFETCH(QStringList, selected);
        QFETCH(SelectionStats, expected);
        QHash<QString, VideoItem> byIdentifier;
        for (const VideoItem &item :
             {sized(u"a"_s, 100), sized(u"b"_s, 0), sized(u"c"_s, std::nullopt), failed(u"d"_s),
              sized(u"e"_s, 3'000'000'000),
              // A sparse file, and one whose blocks other links keep.
              makeItem({.id = u"s"_s, .size = known(1'000), .file = {.freedBytes = 4'096}}),
              makeItem({.id = u"l"_s, .size = known(1'000), .file = {.freedBytes = 0}})})
            byIdentifier.insert(item.id(), item);
        QCOMPARE(selectionStatsOf(QSet<QString>(selected.begin(), selected.end()), byIdentifier),
                 expected);
    }
};

ORSENTA_TEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
