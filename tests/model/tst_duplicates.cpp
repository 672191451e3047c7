// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/duplicates.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

#include <algorithm>
#include <numeric>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(orsenta::KeeperReason)

namespace {

struct Copy {
    QString id;
    Instant date = distantPast;
    bool favorite = false;
    QString name = u"clip.mov"_s;
    Instant fileTime = distantPast;
    std::int32_t pathLength = 0;
};

// One of a group of identical 500-byte copies.
VideoItem copy(const Copy &c) {
    return makeItem({.id = c.id,
                     .name = c.name,
                     .date = c.date,
                     .favorite = c.favorite,
                     .size = known(500),
                     .file = {.fileTime = c.fileTime,
                              .pathLength = c.pathLength,
                              .contentChecked = true,
                              .contentDigest = "same"}});
}

VideoItem freeing(const QString &id, const QByteArray &content, std::int64_t freed) {
    return makeItem(
        {.id = id,
         .size = known(1000),
         .file = {.freedBytes = freed, .contentChecked = true, .contentDigest = content}});
}

QList<qint64> groupSizes(const DuplicateSummary &summary) {
    QList<qint64> sizes(summary.countsByContent.cbegin(), summary.countsByContent.cend());
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

} // namespace

class TestDuplicates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void summarize_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<QList<qint64>>("groups");
        QTest::addColumn<std::int64_t>("videoCount");
        QTest::addColumn<std::int64_t>("reclaimable");
        QTest::addColumn<std::int64_t>("unchecked");
        QTest::addColumn<int>("toCheck"); // groups sizeGroupsToCheck gives
        const auto row = [](const char *name, const ItemList &items, const QList<qint64> &groups,
                            std::int64_t videos, std::int64_t bytes, std::int64_t unchecked,
                            int toCheck) {
            QTest::newRow(name) << items << groups << videos << bytes << unchecked << toCheck;
        };
        row("same size, different bytes: no copies",
            {checked(u"a"_s, 500, {}), checked(u"b"_s, 500, {}), checked(u"c"_s, 500, {})}, {}, 0,
            0, 0, 0);
        row("same size, not read yet: candidates, never copies",
            {sized(u"a"_s, 500), sized(u"b"_s, 500), sized(u"c"_s, 700), checked(u"d"_s, 900, {}),
             sized(u"e"_s, 900)},
            {}, 0, 0, 3, 2);
        row("two contents of one size make two groups",
            {checked(u"a"_s, 500, "x"), checked(u"b"_s, 500, "y"), checked(u"c"_s, 500, "x"),
             checked(u"d"_s, 500, "y"), checked(u"e"_s, 500, "x"), checked(u"f"_s, 500, {})},
            {2, 3}, 5, 1500, 0, 0);
        row("a newcomer sends its whole size group to be read",
            {checked(u"a"_s, 500, "x"), checked(u"b"_s, 500, "x"), sized(u"c"_s, 500)}, {2}, 2, 500,
            1, 1);
        row("a digest left alone is no group", {checked(u"a"_s, 500, "x"), sized(u"b"_s, 600)}, {},
            0, 0, 0, 0);
        row("freed bytes count, not sizes: sparse and shared copies",
            {freeing(u"a"_s, "x", 400), freeing(u"b"_s, "x", 0), freeing(u"c"_s, "x", 300)}, {3}, 3,
            300, 0, 0);
        row("unknown and zero sizes never group",
            {sized(u"a"_s, std::nullopt), sized(u"b"_s, std::nullopt), failed(u"c"_s),
             failed(u"d"_s), sized(u"e"_s, 0), sized(u"f"_s, 0), checked(u"g"_s, 0, "z"),
             checked(u"h"_s, 0, "z")},
            {}, 0, 0, 0, 0);
        row("64-bit sums",
            {checked(u"a"_s, 3'000'000'000, "x"), checked(u"b"_s, 3'000'000'000, "x"),
             checked(u"c"_s, 3'000'000'000, "x")},
            {3}, 3, 6'000'000'000, 0, 0);
        row("empty", {}, {}, 0, 0, 0, 0);
    }

    void summarize() {
        QFETCH(ItemList, items);
        QFETCH(std::int64_t, unchecked);
        const DuplicateSummary summary = summarizeDuplicates(items);
        QTEST(groupSizes(summary), "groups");
        QTEST(summary.videoCount, "videoCount");
        QTEST(summary.reclaimableBytes, "reclaimable");
        QCOMPARE(summary.uncheckedCount, unchecked);
        QCOMPARE(summary.keepers.size(), summary.countsByContent.size());
        QTEST(int(sizeGroupsToCheck(items).size()), "toCheck");
        for (const VideoItem &item : items) {
            const bool grouped = summary.copiesOf(item).has_value();
            QCOMPARE(grouped, !item.fileFacts().contentDigest.isEmpty() && summary.videoCount > 0
                                  && item.sizeState().knownBytes().value_or(0) > 0);
        }
        QCOMPARE(summary.isEmpty(), summary.videoCount == 0 && unchecked == 0);
    }

    void keeper_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<QStringList>("extras");
        QTest::addColumn<KeeperReason>("reason");
        const Instant older = utcTime(2001, 5, 1);
        const Instant newer = utcTime(2024, 5, 1);
        const auto row = [](const char *name, const ItemList &items, const QStringList &extras,
                            KeeperReason reason) {
            QTest::newRow(name) << items << extras << reason;
        };
        using R = KeeperReason;
        row("favourite stays over older copies",
            {copy({u"old"_s, older}), copy({u"fav"_s, newer, true}), copy({u"oldest"_s})},
            {u"old"_s, u"oldest"_s}, R::favourite);
        row("of two favourites the older stays",
            {copy({u"a"_s, newer, true}), copy({u"b"_s, older, true}), copy({u"c"_s})},
            {u"a"_s, u"c"_s}, R::oldest);
        row("unknown date counts as oldest", {copy({u"a"_s, older}), copy({u"b"_s})}, {u"a"_s},
            R::oldest);
        row("equal dates: the original name over \"copy of\"",
            {copy({u"a"_s, older, false, u"copy of IMG_0002.MOV"_s}),
             copy({u"b"_s, older, false, u"IMG_0002.MOV"_s})},
            {u"a"_s}, R::originalName);
        row("equal dates: the original name over numbered copies",
            {copy({u"a"_s, older, false, u"IMG_0002 (2).MOV"_s}),
             copy({u"b"_s, older, false, u"IMG_0002 - Copy.MOV"_s}),
             copy({u"c"_s, older, false, u"IMG_0002_1.MOV"_s}),
             copy({u"d"_s, older, false, u"IMG_0002 copy.MOV"_s}),
             copy({u"z"_s, older, false, u"IMG_0002.MOV"_s})},
            {u"a"_s, u"b"_s, u"c"_s, u"d"_s}, R::originalName);
        row("both copy-like names: the earliest file",
            {copy({u"a"_s, older, false, u"Copy of x.mov"_s, utcTime(2020, 1, 2)}),
             copy({u"b"_s, older, false, u"x (2).mov"_s, utcTime(2020, 1, 1)})},
            {u"a"_s}, R::earliestFile);
        row("an unknown file time comes after a known one",
            {copy({u"a"_s, older, false, u"x.mov"_s}),
             copy({u"b"_s, older, false, u"x.mov"_s, utcTime(2030, 1, 1)})},
            {u"a"_s}, R::earliestFile);
        row("then the shortest path, an unknown one last",
            {copy({.id = u"a"_s, .pathLength = 40}), copy({.id = u"b"_s, .pathLength = 12}),
             copy({.id = u"c"_s})},
            {u"a"_s, u"c"_s}, R::shortestPath);
        row("alike in every way: the smallest identifier",
            {copy({u"m"_s}), copy({u"k"_s}), copy({u"z"_s})}, {u"m"_s, u"z"_s}, R::firstOfEquals);
        // U+FF41 is the smaller scalar value, though its UTF-16 unit is larger than a surrogate.
        row("identifiers by scalar value", {copy({u"\U0001F600"_s}), copy({u"\uff41"_s})},
            {u"\U0001F600"_s}, R::firstOfEquals);
        row("the reason is the rule that beat the nearest rival",
            {copy({u"a"_s, older, true}), copy({u"b"_s, older, true, u"x (2).mov"_s}),
             copy({u"c"_s, distantPast})},
            {u"b"_s, u"c"_s}, R::originalName);
    }

    void keeper() {
        QFETCH(ItemList, items);
        QFETCH(QStringList, extras);
        QFETCH(KeeperReason, reason);
        const DuplicateSummary summary = summarizeDuplicates(items);
        std::vector<std::size_t> order(items.size());
        std::iota(order.begin(), order.end(), 0);
        do {
            ItemList permuted;
            for (std::size_t i : order)
                permuted.push_back(items[i]);
            const QStringList actual = sorted(extraCopyIdentifiers(permuted));
            if (actual != extras)
                QFAIL(qPrintable(u"got %1 for input order %2"_s.arg(
                    actual.join(u','), identifiersOf(permuted).join(u','))));
        } while (std::next_permutation(order.begin(), order.end()));
        for (const VideoItem &item : items) {
            const auto why = summary.keeperReason(item);
            QCOMPARE(why.has_value(), !extras.contains(item.localIdentifier()));
            if (why)
                QCOMPARE(*why, reason);
        }
    }

    void extraCopiesOnlyOfVerifiedGroups_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<QStringList>("extras");
        const auto row = [](const char *name, const ItemList &items, const QStringList &extras) {
            QTest::newRow(name) << items << extras;
        };
        row("one keeper per content, even of one size",
            {checked(u"a"_s, 500, "x"), checked(u"b"_s, 500, "y"), checked(u"c"_s, 500, "x"),
             checked(u"d"_s, 500, "y")},
            {u"c"_s, u"d"_s});
        row("same-size strangers and unread videos are never selected",
            {checked(u"a"_s, 500, {}), checked(u"b"_s, 500, {}), sized(u"c"_s, 900),
             sized(u"d"_s, 900)},
            {});
        row("zero and unknown sizes never selected",
            {checked(u"a"_s, 0, "z"), checked(u"b"_s, 0, "z"), sized(u"c"_s, std::nullopt),
             failed(u"d"_s), failed(u"e"_s)},
            {});
        row("one shown member selects nothing", {checked(u"a"_s, 500, "x")}, {});
        row("empty", {}, {});
    }

    void extraCopiesOnlyOfVerifiedGroups() {
        QFETCH(ItemList, items);
        QTEST(sorted(extraCopyIdentifiers(items)), "extras");
    }

    void copyNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("copyLike");
        for (const char *name :
             {"copy of IMG_0002.MOV", "Copy of clip.mp4", "clip copy.mov", "clip Copy 2.mov",
              "clip (2).mov", "clip - Copy.mov", "clip - Copy (3).mov", "clip_1.mov", "COPY OF x"})
            QTest::newRow(name) << QString::fromUtf8(name) << true;
        for (const char *name : {"IMG_0002.MOV", "copyright.mov", "Trip (Paris).mov", "clip_12.mov",
                                 "copy.mov", "a copy of.mov", ".copy"})
            QTest::newRow(name) << QString::fromUtf8(name) << false;
    }

    void copyNames() {
        QFETCH(QString, name);
        QTEST(looksLikeCopyName(name), "copyLike");
    }
};

ORSENTA_TEST_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
