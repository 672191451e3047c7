// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/duplicates.h"
#include "model/filters.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

using OptionalDuplicates = std::optional<DuplicateSummary>;
Q_DECLARE_METATYPE(orsenta::SizeFilter)
Q_DECLARE_METATYPE(orsenta::DateFilter)
Q_DECLARE_METATYPE(OptionalDuplicates)

namespace {

VideoItem named(const QString &id, const QString &name) {
    return makeItem({.id = id, .name = name});
}

VideoItem dated(const QString &id, Instant date) {
    return makeItem({.id = id, .date = date});
}

} // namespace

class TestFilters : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void filterItems_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<SizeFilter>("sizeFilter");
        QTest::addColumn<QString>("search");
        QTest::addColumn<DateFilter>("dateFilter");
        QTest::addColumn<OptionalDuplicates>("duplicates");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, const ItemList &items, SizeFilter size,
                            const QString &search, DateFilter date, OptionalDuplicates duplicates,
                            const QStringList &expected) {
            QTest::newRow(name) << items << size << search << date << duplicates << expected;
        };
        const auto none = SizeFilter::none;
        const auto all = DateFilter::all();

        const ItemList names{named(u"1"_s, u"img_0042.mov"_s), makeItem({.id = u"IMG-77"_s}),
                             named(u"3"_s, u"clip.mov"_s), named(u"img"_s, u"other.mov"_s)};
        row("blank search filters nothing", names, none, u" \n\t\u3000\r\n "_s, all, {},
            {u"1"_s, u"IMG-77"_s, u"3"_s, u"img"_s});
        row("trimmed, case-insensitive; identifier only without a file name", names, none,
            u"  IMG "_s, all, {}, {u"1"_s, u"IMG-77"_s});

        const ItemList sizes{sized(u"exact"_s, 104'857'600),        sized(u"below"_s, 104'857'599),
                             sized(u"105MB"_s, 105'000'000),        sized(u"2GiB"_s, 2'147'483'648),
                             sized(u"unavailable"_s, std::nullopt), failed(u"failed"_s)};
        row("at least 100 MB", sizes, SizeFilter::atLeast100MB, {}, all, {},
            {u"exact"_s, u"105MB"_s, u"2GiB"_s});
        row("at least 2 GB, boundary", sizes, SizeFilter::atLeast2GB, {}, all, {}, {u"2GiB"_s});
        row("no size filter keeps unknown sizes", sizes, none, u"a"_s, all, {},
            {u"exact"_s, u"unavailable"_s, u"failed"_s});

        const ItemList dates{dated(u"mar"_s, localTime(2023, 3, 31, 23, 59)),
                             dated(u"none"_s, distantPast), dated(u"apr"_s, localTime(2023, 4, 1)),
                             dated(u"mar22"_s, localTime(2022, 3, 15))};
        row("year drops unknown dates", dates, none, {}, DateFilter::year(2023), {},
            {u"mar"_s, u"apr"_s});
        row("month", dates, none, {}, DateFilter::month(2023, 3), {}, {u"mar"_s});

        const ItemList copies{checked(u"a"_s, 500, "x"),
                              sized(u"b"_s, 0),
                              checked(u"c"_s, 500, "x"),
                              checked(u"s"_s, 500, {}),
                              sized(u"d"_s, std::nullopt),
                              sized(u"e"_s, 0),
                              sized(u"f"_s, 7),
                              sized(u"u1"_s, 9),
                              sized(u"u2"_s, 9)};
        row("duplicates only: copies and videos still to be read, never strangers", copies, none,
            {}, all, summarizeDuplicates(copies), {u"a"_s, u"c"_s, u"u1"_s, u"u2"_s});
        row("no duplicates", copies, none, {}, all, DuplicateSummary(), {});

        const auto trip = [](const QString &id, const QString &name, int year, qint64 bytes) {
            return makeItem({.id = id,
                             .name = name,
                             .date = localTime(year, 3, 1),
                             .size = known(bytes),
                             .file = {.contentChecked = true, .contentDigest = "trip"}});
        };
        const ItemList mixed{trip(u"keep"_s, u"Trip.mov"_s, 2023, 600'000'000),
                             trip(u"small"_s, u"Trip2.mov"_s, 2023, 1000),
                             trip(u"later"_s, u"trip3.mov"_s, 2024, 600'000'000),
                             trip(u"walk"_s, u"walk.mov"_s, 2023, 600'000'000)};
        row("every filter at once", mixed, SizeFilter::atLeast500MB, u"TRIP"_s,
            DateFilter::year(2023), summarizeDuplicates(mixed), {u"keep"_s});
        row("empty list", {}, SizeFilter::atLeast1GB, u"x"_s, DateFilter::year(2023),
            summarizeDuplicates(copies), {});
    }

    void filterItems() {
        QFETCH(ItemList, items);
        QFETCH(SizeFilter, sizeFilter);
        QFETCH(QString, search);
        QFETCH(DateFilter, dateFilter);
        QFETCH(OptionalDuplicates, duplicates);
        const ItemList kept = orsenta::filterItems(items, sizeFilter, search, dateFilter,
                                                   duplicates ? &*duplicates : nullptr);
        QTEST(identifiersOf(kept), "expected");
    }

    void search_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("matches");
        QTest::addColumn<QString>("locale"); // empty: US English
        const auto row = [](const char *name, const QString &fileName, const QString &query,
                            bool matches, const QString &locale = {}) {
            QTest::newRow(name) << fileName << query << matches << locale;
        };
        row("precomposed query, decomposed name", u"Cafe\u0301 trip.mov"_s, u"caf\u00e9"_s, true);
        row("decomposed query, precomposed name", u"Caf\u00e9 trip.mov"_s, u"CAFE\u0301"_s, true);
        row("case of a non-ASCII letter", u"\u00c4rger.mov"_s, u"\u00e4r"_s, true);
        row("diacritics kept: e vs \u00e9", u"caf\u00e9.mov"_s, u"cafe"_s, false);
        row("diacritics kept: e vs e\u0301", u"cafe\u0301.mov"_s, u"cafe"_s, false);
        row("widths kept", u"\uff29\uff2d\uff27.mov"_s, u"img"_s, false);
        row("full-width case", u"\uff29\uff2d\uff27.mov"_s, u"\uff49\uff4d"_s, true);
        row("emoji", u"\U0001F389 party.mov"_s, u"\U0001F389 P"_s, true);
        // Turkish lower-cases I to a dotless ı and İ to i, in ASCII names too.
        row("Turkish I", u"IMG_01.mov"_s, u"\u0131mg"_s, true, u"tr_TR"_s);
        row("English I", u"IMG_01.mov"_s, u"\u0131mg"_s, false);
        row("Turkish dotted I", u"\u0130stanbul.mov"_s, u"istanbul"_s, true, u"tr_TR"_s);
        row("English dotted I", u"\u0130stanbul.mov"_s, u"istanbul"_s, false);
        row("file name hides the identifier", u"clip.mov"_s, u"id"_s, false);
    }

    void search() {
        QFETCH(QString, name);
        QFETCH(QString, query);
        QFETCH(bool, matches);
        QFETCH(QString, locale);
        if (!locale.isEmpty())
            QLocale::setDefault(QLocale(locale));
        const ItemList items{named(u"id"_s, name)};
        const ItemList kept =
            orsenta::filterItems(items, SizeFilter::none, query, DateFilter::all());
        QCOMPARE(kept.size(), std::size_t(matches));
    }

    void sizeFilters() {
        using F = SizeFilter;
        const std::tuple<F, QString, std::optional<std::int64_t>, QString> rows[] = {
            {F::none, u"none"_s, std::nullopt, u"All sizes"_s},
            {F::atLeast100MB, u"atLeast100MB"_s, 104'857'600, u"100 MB and up"_s},
            {F::atLeast500MB, u"atLeast500MB"_s, 524'288'000, u"500 MB and up"_s},
            {F::atLeast1GB, u"atLeast1GB"_s, 1'073'741'824, u"1 GB and up"_s},
            {F::atLeast2GB, u"atLeast2GB"_s, 2'147'483'648, u"2 GB and up"_s}};
        for (const auto &[filter, name, minimum, label] : rows) {
            QCOMPARE(sizeFilterName(filter), name);
            QCOMPARE(sizeFilterFromString(name), std::optional(filter));
            QCOMPARE(minimumBytes(filter), minimum);
            QCOMPARE(sizeFilterLabel(filter), label);
        }
        for (const QString &text : {QString(), u"None"_s, u"atLeast100mb"_s, u" atLeast1GB"_s})
            QCOMPARE(sizeFilterFromString(text), std::nullopt);
    }
};

ORSENTA_TEST_MAIN(TestFilters)
#include "tst_filters.moc"
