#include "model/duplicates.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

#include <algorithm>
#include <numeric>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

namespace {

VideoItem copy(const QString &id, Instant date, bool favorite = false) {
    return makeItem({.id = id, .date = date, .favorite = favorite, .size = known(500)});
}

QStringList sorted(const QSet<QString> &identifiers) {
    QStringList list(identifiers.begin(), identifiers.end());
    list.sort();
    return list;
}

} // namespace

class TestDuplicates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void summarize_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<DuplicateSizes>("counts");
        QTest::addColumn<std::int64_t>("videoCount");
        QTest::addColumn<std::int64_t>("reclaimable");
        const auto row = [](const char *name, const ItemList &items, const DuplicateSizes &counts,
                            std::int64_t videos, std::int64_t bytes) {
            QTest::newRow(name) << items << counts << videos << bytes;
        };
        row("three of 500, two of 1000",
            {sized(u"a"_s, 500), sized(u"b"_s, 1000), sized(u"c"_s, 500), sized(u"d"_s, 700),
             sized(u"e"_s, 1000), sized(u"f"_s, 500), sized(u"g"_s, std::nullopt)},
            {{500, 3}, {1000, 2}}, 5, 2000);
        row("unavailable and failed never group",
            {sized(u"a"_s, std::nullopt), sized(u"b"_s, std::nullopt), failed(u"c"_s),
             failed(u"d"_s)},
            {}, 0, 0);
        row("zero bytes never group", {sized(u"a"_s, 0), sized(u"b"_s, 0)}, {}, 0, 0);
        row("no shared sizes", {sized(u"a"_s, 1), sized(u"b"_s, 2), sized(u"c"_s, 3)}, {}, 0, 0);
        row("the measure does not matter",
            {sized(u"a"_s, 500),
             makeItem({.id = u"b"_s, .size = SizeState::known(500, SizeSource::allocatedSize)})},
            {{500, 2}}, 2, 500);
        row("64-bit sums",
            {sized(u"a"_s, 3'000'000'000), sized(u"b"_s, 3'000'000'000),
             sized(u"c"_s, 3'000'000'000)},
            {{3'000'000'000, 3}}, 3, 6'000'000'000);
        row("empty", {}, {}, 0, 0);
    }

    void summarize() {
        QFETCH(ItemList, items);
        QFETCH(DuplicateSizes, counts);
        QFETCH(std::int64_t, videoCount);
        QFETCH(std::int64_t, reclaimable);
        const DuplicateSummary summary = summarizeDuplicates(items);
        QCOMPARE(summary.countsBySize, counts);
        QCOMPARE(summary.videoCount, videoCount);
        QCOMPARE(summary.reclaimableBytes, reclaimable);
    }

    void extraCopies_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<QStringList>("expected");
        const Instant older = utcTime(2001, 5, 1);
        const Instant newer = utcTime(2024, 5, 1);
        const auto row = [](const char *name, const ItemList &items, const QStringList &ids) {
            QTest::newRow(name) << items << ids;
        };
        row("favourite stays over an older copy",
            {copy(u"old"_s, older), copy(u"fav"_s, newer, true), copy(u"oldest"_s, distantPast)},
            {u"old"_s, u"oldest"_s});
        row("of two favourites the older stays",
            {copy(u"a"_s, newer, true), copy(u"b"_s, older, true), copy(u"c"_s, distantPast)},
            {u"a"_s, u"c"_s});
        row("equal dates: smallest identifier stays",
            {copy(u"b"_s, older), copy(u"a"_s, older), copy(u"c"_s, older)}, {u"b"_s, u"c"_s});
        row("unknown date counts as oldest", {copy(u"a"_s, older), copy(u"b"_s, distantPast)},
            {u"a"_s});
        row("unknown dates: smallest identifier stays",
            {copy(u"m"_s, distantPast), copy(u"k"_s, distantPast), copy(u"z"_s, distantPast)},
            {u"m"_s, u"z"_s});
        row("unknown dates with a favourite",
            {copy(u"m"_s, distantPast), copy(u"k"_s, distantPast), copy(u"z"_s, distantPast, true)},
            {u"k"_s, u"m"_s});
        // U+FF41 is the smaller scalar value, though its UTF-16 unit is larger than a surrogate.
        row("identifiers by scalar value", {copy(u"\U0001F600"_s, older), copy(u"\uff41"_s, older)},
            {u"\U0001F600"_s});
        row("one keeper per size",
            {copy(u"a"_s, newer), sized(u"c"_s, 900), copy(u"b"_s, older), sized(u"d"_s, 900),
             sized(u"e"_s, 100)},
            {u"a"_s, u"d"_s});
        row("unknown and zero sizes never selected",
            {sized(u"a"_s, 0), sized(u"b"_s, 0), sized(u"c"_s, std::nullopt),
             sized(u"d"_s, std::nullopt), failed(u"e"_s), failed(u"f"_s)},
            {});
        row("one visible member", {copy(u"a"_s, older)}, {});
        row("empty", {}, {});
    }

    void extraCopies() {
        QFETCH(ItemList, items);
        QFETCH(QStringList, expected);
        std::vector<std::size_t> order(items.size());
        std::iota(order.begin(), order.end(), 0);
        do {
            ItemList permuted;
            for (std::size_t i : order)
                permuted.push_back(items[i]);
            const QStringList actual = sorted(extraCopyIdentifiers(permuted));
            if (actual != expected)
                QFAIL(qPrintable(u"got %1 for input order %2"_s.arg(
                    actual.join(u','), identifiersOf(permuted).join(u','))));
        } while (std::next_permutation(order.begin(), order.end()));
    }
};

ORSENTA_TEST_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
