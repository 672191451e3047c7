// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/catalogcalendar.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

#include <QSet>

#include <limits>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

namespace {

const ItemSpec base{.id = u"A1"_s,
                    .name = u"clip.mov"_s,
                    .date = utcTime(2023, 3, 5, 12),
                    .duration = 12.5,
                    .width = 1920,
                    .height = 1080,
                    .size = known(1000),
                    .file = {.freedBytes = 4096, .pathLength = 20}};

template <typename Change>
VideoItem changed(Change change) {
    ItemSpec wanted = base;
    change(wanted);
    return makeItem(wanted);
}

} // namespace

class TestVideoItem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // The date cases below are written for this zone; in UTC they would prove nothing.
        QCOMPARE(capturedTimeZone().id(), QByteArray("America/New_York"));
    }

    void equality_data() {
        QTest::addColumn<VideoItem>("a");
        QTest::addColumn<VideoItem>("b");
        QTest::addColumn<bool>("equal");
        const auto row = [](const char *name, VideoItem b, bool equal,
                            VideoItem a = makeItem(base)) {
            QTest::newRow(name) << a << b << equal;
        };
        const double nan = std::numeric_limits<double>::quiet_NaN();
        row("same fields, separate records", makeItem(base), true);
        row("identifier", changed([](ItemSpec &s) { s.id = u"A2"_s; }), false);
        row("file name case", changed([](ItemSpec &s) { s.name = u"clip.MOV"_s; }), false);
        row("date by a microsecond",
            changed([](ItemSpec &s) { s.date += std::chrono::microseconds(1); }), false);
        row("duration", changed([](ItemSpec &s) { s.duration = 12.25; }), false);
        row("width", changed([](ItemSpec &s) { s.width = 1921; }), false);
        row("height", changed([](ItemSpec &s) { s.height = 1081; }), false);
        row("favourite", changed([](ItemSpec &s) { s.favorite = true; }), false);
        row("screen recording", changed([](ItemSpec &s) { s.screenRecording = true; }), false);
        row("size", changed([](ItemSpec &s) { s.size = known(1001); }), false);
        row("content digest", changed([](ItemSpec &s) { s.file.contentDigest = "x"; }), false);
        row("freed bytes", changed([](ItemSpec &s) { s.file.freedBytes = 0; }), false);
        row("absent vs empty file name", makeItem({.name = u""_s}), false, makeItem({}));
        row("canonically equivalent identifiers", makeItem({.id = u"Caf\u00e9"_s}), false,
            makeItem({.id = u"Cafe\u0301"_s}));
        row("minus zero duration", makeItem({.duration = -0.0}), true, makeItem({}));
        row("NaN durations of either sign", makeItem({.duration = -nan}), true,
            makeItem({.duration = nan}));
    }

    void equality() {
        QFETCH(VideoItem, a);
        QFETCH(VideoItem, b);
        QFETCH(bool, equal);
        QCOMPARE(a == b, equal);
        QCOMPARE(b == a, equal);
        if (equal)
            QCOMPARE(qHash(a, 7), qHash(b, 7));
        QCOMPARE(QSet<VideoItem>({a, b}).size(), equal ? 1 : 2);
    }

    void derivedYearAndMonth_data() {
        QTest::addColumn<Instant>("date");
        QTest::addColumn<std::int64_t>("year");
        QTest::addColumn<std::int64_t>("month");
        const auto row = [](const char *name, Instant date, std::int64_t year, std::int64_t month) {
            QTest::newRow(name) << date << year << month;
        };
        row("distant past", distantPast, 0, 0);
        row("00:30 on 1 January local", utcTime(2024, 1, 1, 5, 30), 2024, 1);
        row("23:30 on 31 December local", utcTime(2024, 1, 1, 4, 30), 2023, 12);
        row("summer time month end", utcTime(2023, 7, 1, 3, 59), 2023, 6);
        row("before the epoch", utcTime(1969, 12, 31, 23), 1969, 12);
    }

    void derivedYearAndMonth() {
        QFETCH(Instant, date);
        const VideoItem item = makeItem({.date = date});
        QTEST(item.creationYear(), "year");
        QTEST(item.creationMonth(), "month");
    }

    void rebuildingReplacesOneField() {
        const VideoItem original = makeItem(base);
        const std::pair<VideoItem, VideoItem> cases[] = {
            {original.withFavorite(true), changed([](ItemSpec &s) { s.favorite = true; })},
            {original.withSizeState(SizeState::failed()),
             changed([](ItemSpec &s) { s.size = SizeState::failed(); })},
            {original.withContentChecked("digest"), changed([](ItemSpec &s) {
                 s.file.contentChecked = true;
                 s.file.contentDigest = "digest";
             })}};
        for (const auto &[rebuilt, expected] : cases) {
            QCOMPARE(rebuilt, expected);
            QCOMPARE(qHash(rebuilt), qHash(expected));
            QCOMPARE(rebuilt.searchKey(), expected.searchKey());
        }
        QCOMPARE(original, makeItem(base));

        // A rebuilt record is a record of its own: it outlives a shared original, which keeps
        // its own count.
        VideoItem shared = makeItem(base);
        const VideoItem sharer = shared;
        const VideoItem favourite = shared.withFavorite(true);
        shared = VideoItem();
        QCOMPARE(sharer, makeItem(base));
        QCOMPARE(favourite, changed([](ItemSpec &s) { s.favorite = true; }));
    }

    void textRoundTrips_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("ASCII") << u"9F2A-11/L0/001"_s << u"IMG_0042.MOV"_s;
        QTest::newRow("empty file name") << u"9F2A"_s << u""_s;
        QTest::newRow("Latin-1") << u"\u00ff\u00e9"_s << u"caf\u00e9.mov"_s;
        QTest::newRow("combining mark") << u"Cafe\u0301"_s << u"Cafe\u0301.mov"_s;
        QTest::newRow("emoji") << u"\U0001F3AC"_s << u"\U0001F389 party.mov"_s;
        QTest::newRow("lone surrogates")
            << QString(u"x"_s + QChar(0xD800)) << QString(QChar(0xDFFF) + u"clip"_s);
        QTest::newRow("swapped surrogate pair")
            << QString(QChar(0xDC00) + QChar(0xD800)) << QString(u"a"_s + QChar(0xDBFF));
        QTest::newRow("embedded NUL") << QString::fromUtf16(u"a\0b", 3) << u"\0"_s;
    }

    void textRoundTrips() {
        QFETCH(QString, id);
        QFETCH(QString, name);
        const VideoItem named = makeItem({.id = id, .name = name});
        QCOMPARE(named.localIdentifier(), id);
        QCOMPARE(named.resourceFilename(), std::optional<QString>(name));
        QCOMPARE(named.displayName(), name); // even when empty
        QCOMPARE(named, makeItem({.id = id, .name = name}));
        const VideoItem unnamed = makeItem({.id = id});
        QCOMPARE(unnamed.displayName(), id);
        QCOMPARE(unnamed.resourceFilename(), std::nullopt);
    }

    void copiesAndMovesStayUsable() {
        const VideoItem other = makeItem({.id = u"B2"_s});
        VideoItem original = makeItem(base);
        VideoItem copy = original;
        copy = other;
        QCOMPARE(original, makeItem(base));

        VideoItem moved = std::move(original);
        QCOMPARE(moved, makeItem(base));
        QCOMPARE(VideoItem(original), original); // moved-from: still readable and assignable
        original = other;
        QCOMPARE(original, other);

        copy = std::move(moved);
        QCOMPARE(copy, makeItem(base));
        moved = copy;
        VideoItem &alias = moved;
        moved = std::move(alias);
        QCOMPARE(moved, makeItem(base));
    }

    void sizeStates() {
        const auto file = SizeSource::fileAttributes;
        const std::tuple<SizeState, SizeState, bool> cases[] = {
            {known(0), known(0), true},
            {known(5), SizeState::known(5, file), false}, // same bytes, another measure
            {known(0), SizeState::unavailable(), false},
            {SizeState::failed(), SizeState::failed(), true},
            {SizeState::unavailable(), SizeState::failed(), false}};
        for (const auto &[a, b, equal] : cases) {
            QCOMPARE(a == b, equal);
            if (equal)
                QCOMPARE(qHash(a, 3), qHash(b, 3));
        }
        QCOMPARE(known(0).knownBytes(), std::optional<std::int64_t>(0));

        const QStringList names{u"photosMetadata"_s, u"resourceDataSize"_s, u"allocatedSize"_s,
                                u"logicalFileSize"_s, u"fileAttributes"_s};
        for (std::size_t i = 0; i < allSizeSources.size(); ++i) {
            QCOMPARE(sizeSourceName(allSizeSources[i]), names[i]);
            QCOMPARE(sizeSourceFromString(names[i]), std::optional(allSizeSources[i]));
        }
        for (const QString &text : {QString(), u"PhotosMetadata"_s, u"allocatedSize "_s})
            QCOMPARE(sizeSourceFromString(text), std::nullopt);
    }
};

ORSENTA_TEST_MAIN(TestVideoItem)
#include "tst_videoitem.moc"
