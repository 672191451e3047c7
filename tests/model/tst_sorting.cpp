// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sorting.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(orsenta::VideoSortOrder)

namespace {

VideoItem named(const QString &id, const QString &name) {
    return makeItem({.id = id, .name = name});
}

QString show(const VideoItem &item) {
    return item.id() + u" ("_s + item.displayName().left(40).replace(QChar(0), u"\\0"_s) + u')';
}

// Records with many ties in every column, so that nearly every order leans on its tie-break,
// and with the names and numbers where a key-based sort is most likely to part from compare().
ItemList generatedItems(int count) {
    QRandomGenerator rng(20240611);
    const auto pick = [&rng](const auto &list) { return list[rng.bounded(int(std::size(list)))]; };
    // The long parts make many names share their first sixteen key bytes and differ after;
    // NUL gives keys that differ only in zero bytes.
    const QStringList parts = u"summer holiday |Summer Holiday |clip|CLIP|caf\u00e9|CAFE\u0301|"
                              u"\u00c4r|\U0001F3AC|\uff29\uff2d|.mov|.MOV| ||\0"_s.split(u'|');
    const int digitCounts[] = {0, 0, 1, 2, 3, 20, 300};
    const QString idPrefixes[] = {u""_s,        u"x"_s,      u"\u00e9"_s,
                                  u"e\u0301"_s, u"\uff41"_s, u"\U0001F600"_s};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double durations[] = {0.0, -0.0, 1.5, 59.5, 3600.0, -1.0, HUGE_VAL, nan, -nan};
    const Instant dates[] = {distantPast, utcTime(2023, 3, 5),
                             utcTime(2023, 3, 5) + std::chrono::microseconds(1),
                             utcTime(1969, 7, 20)};
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const std::pair<std::int64_t, std::int64_t> dimensions[] = {
        {1920, 1080}, {1080, 1920}, {1280, 720}, {0, 0}, {max, 2}, {-max, 2}};
    const SizeState sizes[] = {known(0),           known(100), known(101),
                               known(1LL << 40),   known(max), SizeState::unavailable(),
                               SizeState::failed()};
    ItemList items;
    for (int i = 0; i < count; ++i) {
        QString name;
        for (int part = rng.bounded(4); part >= 0; --part) {
            name += pick(parts);
            for (int digit = pick(digitCounts); digit > 0; --digit) // zeros, leading ones too
                name += QChar(u'0' + (rng.bounded(2) ? 0 : rng.bounded(10)));
        }
        const auto [width, height] = pick(dimensions);
        items.push_back(makeItem({.id = pick(idPrefixes) + QString::number(i),
                                  .name = rng.bounded(8) ? std::optional(name) : std::nullopt,
                                  .date = pick(dates),
                                  .duration = pick(durations),
                                  .width = width,
                                  .height = height,
                                  .size = pick(sizes)}));
    }
    return items;
}

} // namespace

class TestSorting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ordersAndDescriptors() {
        using O = VideoSortOrder;
        using C = VideoSortColumn;
        const auto fwd = SortDirection::forward;
        const auto rev = SortDirection::reverse;
        const std::tuple<O, QString, VideoTableSortComparator> rows[] = {
            {O::nameAsc, u"nameAsc"_s, {C::name, fwd}},
            {O::nameDesc, u"nameDesc"_s, {C::name, rev}},
            {O::sizeAsc, u"sizeAsc"_s, {C::size, fwd}},
            {O::sizeDesc, u"sizeDesc"_s, {C::size, rev}},
            {O::durationAsc, u"durationAsc"_s, {C::duration, fwd}},
            {O::durationDesc, u"durationDesc"_s, {C::duration, rev}},
            {O::resolutionAsc, u"resolutionAsc"_s, {C::resolution, fwd}},
            {O::resolutionDesc, u"resolutionDesc"_s, {C::resolution, rev}},
            {O::creationDateDesc, u"creationDateDesc"_s, {C::creationDate, rev}},
            {O::creationDateAsc, u"creationDateAsc"_s, {C::creationDate, fwd}}};
        for (const auto &[order, name, comparator] : rows) {
            QCOMPARE(sortOrderName(order), name);
            QCOMPARE(sortOrderFromString(name), std::optional(order));
            QCOMPARE(tableComparator(order), comparator);
            QCOMPARE(videoSortOrder(comparator.column, comparator.order), order);
        }
        for (const QString &text : {QString(), u"NameAsc"_s, u"creationDate"_s, u"sizeDesc "_s})
            QCOMPARE(sortOrderFromString(text), std::nullopt);
    }

    void sortItems_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<VideoSortOrder>("order");
        QTest::addColumn<QStringList>("expected");
        using O = VideoSortOrder;
        const auto row = [](const char *name, const ItemList &items, O order, QStringList ids) {
            QTest::newRow(name) << items << order << ids;
        };

        const ItemList numeric{named(u"b"_s, u"Clip10.mov"_s), named(u"a"_s, u"clip2.mov"_s)};
        row("digit runs by value", numeric, O::nameAsc, {u"a"_s, u"b"_s});
        const ItemList zeros{named(u"b"_s, u"v7"_s), named(u"a"_s, u"v007"_s),
                             named(u"c"_s, u"v6"_s)};
        row("leading zeros ignored", zeros, O::nameAsc, {u"c"_s, u"a"_s, u"b"_s});
        const ItemList caseOnly{named(u"2"_s, u"A.MOV"_s), named(u"1"_s, u"a.mov"_s)};
        row("case-only difference", caseOnly, O::nameAsc, {u"1"_s, u"2"_s});
        row("case-only difference, descending", caseOnly, O::nameDesc, {u"1"_s, u"2"_s});
        const ItemList equivalent{named(u"2"_s, u"caf\u00e9.mov"_s),
                                  named(u"1"_s, u"CAFE\u0301.mov"_s)};
        row("canonically equivalent names", equivalent, O::nameDesc, {u"1"_s, u"2"_s});
        row("no locale tailoring",
            {named(u"1"_s, u"\u00e9t\u00e9"_s), named(u"2"_s, u"f"_s), named(u"3"_s, u"Zoo"_s)},
            O::nameAsc, {u"2"_s, u"3"_s, u"1"_s});
        row("identifier stands in for a missing name",
            {named(u"a"_s, u"z.mov"_s), makeItem({.id = u"m"_s}), named(u"x"_s, u"a.mov"_s)},
            O::nameAsc, {u"x"_s, u"m"_s, u"a"_s});

        const ItemList sizes{
            sized(u"u2"_s, std::nullopt), sized(u"k100"_s, 100), failed(u"f1"_s),
            sized(u"k300"_s, 300),        sized(u"k0"_s, 0),     sized(u"k200"_s, 200),
            sized(u"u0"_s, std::nullopt)};
        row("largest first, unknown sizes last", sizes, O::sizeDesc,
            {u"k300"_s, u"k200"_s, u"k100"_s, u"k0"_s, u"f1"_s, u"u0"_s, u"u2"_s});
        row("smallest first, unknown sizes last", sizes, O::sizeAsc,
            {u"k0"_s, u"k100"_s, u"k200"_s, u"k300"_s, u"f1"_s, u"u0"_s, u"u2"_s});
        const ItemList equalSizes{sized(u"b"_s, 500), sized(u"z"_s, 100), sized(u"c"_s, 500),
                                  sized(u"a"_s, 500)};
        row("equal sizes by identifier, ascending", equalSizes, O::sizeAsc,
            {u"z"_s, u"a"_s, u"b"_s, u"c"_s});
        row("equal sizes by identifier, descending", equalSizes, O::sizeDesc,
            {u"a"_s, u"b"_s, u"c"_s, u"z"_s});
        // Scalar order, not UTF-16 order (which would put the emoji before U+FF41), and
        // identifiers compared once composed.
        row("identifiers by scalar value",
            {sized(u"\U0001F600"_s, 5), sized(u"\uff41"_s, 5), sized(u"z"_s, 5),
             sized(u"e\u0301x"_s, 5), sized(u"\u00e9a"_s, 5)},
            O::sizeDesc, {u"z"_s, u"\u00e9a"_s, u"e\u0301x"_s, u"\uff41"_s, u"\U0001F600"_s});

        const ItemList dates{makeItem({.id = u"old"_s, .date = utcTime(2001, 5, 1)}),
                             makeItem({.id = u"none"_s}),
                             makeItem({.id = u"new"_s, .date = utcTime(2024, 1, 1)}),
                             makeItem({.id = u"mid"_s, .date = utcTime(2015, 7, 9)})};
        row("newest first, unknown date last", dates, O::creationDateDesc,
            {u"new"_s, u"mid"_s, u"old"_s, u"none"_s});

        const ItemList shapes{makeItem({.id = u"p"_s, .width = 1080, .height = 1920}),
                              makeItem({.id = u"s"_s, .width = 1280, .height = 720}),
                              makeItem({.id = u"l"_s, .width = 1920, .height = 1080})};
        row("portrait level with landscape", shapes, O::resolutionAsc, {u"s"_s, u"l"_s, u"p"_s});

        const double nan = std::numeric_limits<double>::quiet_NaN();
        row("NaN after every length, minus zero level with zero",
            {makeItem({.id = u"n"_s, .duration = nan}), makeItem({.id = u"a"_s, .duration = 10}),
             makeItem({.id = u"z"_s, .duration = -0.0}), makeItem({.id = u"b"_s, .duration = 5}),
             makeItem({.id = u"y"_s, .duration = 0.0})},
            O::durationAsc, {u"y"_s, u"z"_s, u"b"_s, u"a"_s, u"n"_s});
        row("empty", {}, O::nameAsc, {});
    }

    void sortItems() {
        QFETCH(ItemList, items);
        QFETCH(VideoSortOrder, order);
        QTEST(identifiersOf(orsenta::sortItems(items, order)), "expected");
        std::reverse(items.begin(), items.end());
        QTEST(identifiersOf(orsenta::sortItems(items, order)), "expected");
    }

    void stableForSharedIdentifiers() {
        const VideoItem plain = sized(u"same"_s, 10);
        const VideoItem favourite = plain.withFavorite(true);
        for (VideoSortOrder order : allVideoSortOrders) {
            const ItemList sorted = orsenta::sortItems({favourite, plain}, order);
            QCOMPARE(sorted, (ItemList{favourite, plain}));
        }
    }

    void agreesWithCompare_data() {
        QTest::addColumn<VideoSortOrder>("order");
        for (VideoSortOrder order : allVideoSortOrders)
            QTest::newRow(qPrintable(sortOrderName(order))) << order;
    }

    void agreesWithCompare() {
        QFETCH(VideoSortOrder, order);
        const ItemList items = generatedItems(300);
        const VideoTableSortComparator comparator = tableComparator(order);
        const ItemList sorted = orsenta::sortItems(items, order);

        QStringList sortedIds = identifiersOf(sorted);
        sortedIds.sort();
        sortedIds.removeDuplicates();
        QCOMPARE(sortedIds.size(), qsizetype(items.size()));

        // Every pair, not only neighbours: this also shows that compare() is a total order here.
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            for (std::size_t j = i + 1; j < sorted.size(); ++j) {
                if (compare(comparator, sorted[i], sorted[j]) != ComparisonResult::ascending
                    || compare(comparator, sorted[j], sorted[i]) != ComparisonResult::descending)
                    QFAIL(qPrintable(
                        u"%1 should go before %2"_s.arg(show(sorted[i]), show(sorted[j]))));
            }
        }

        ItemList shuffled = items;
        std::shuffle(shuffled.begin(), shuffled.end(), QRandomGenerator(7));
        QCOMPARE(identifiersOf(orsenta::sortItems(shuffled, order)), identifiersOf(sorted));
    }
};

ORSENTA_TEST_MAIN(TestSorting)
#include "tst_sorting.moc"
