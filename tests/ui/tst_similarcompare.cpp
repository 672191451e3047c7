// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison of similar copies: the facts and keeper mark each column shows, and the shared
// moment and play controls over real small videos, one of which cannot be played.

#include "library/photolibraryservice.h"
#include "support/itembuilder.h"
#include "support/memorylibrary.h"
#include "support/samplevideos.h"
#include "ui/similarcompareview.h"
#include "ui/similarcopycolumn.h"
#include "uitestfixture.h"

#include <QAbstractButton>
#include <QAudioOutput>
#include <QLabel>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

using namespace orsenta;
using namespace orsenta::test;
using Fact = SimilarCopyColumn::Fact;
using platform::MediaAsset;

Q_DECLARE_METATYPE(SimilarKeeperReason)

namespace {

// One fact per row and one column per copy; emphasis is written *like this*.
using FactRows = QList<std::pair<Fact, QStringList>>;

QString shown(const QLabel *label) {
    // Names and the keeper's mark are set in demibold everywhere; emphasis is bold.
    const bool bold = label->font().weight() >= QFont::Bold;
    return bold ? u'*' + label->text() + u'*' : label->text();
}

VideoItem copy(const QString &id, const QString &name, std::int64_t width, std::int64_t height,
               std::optional<std::int64_t> bytes, double seconds, const char *codec,
               Instant date = distantPast, bool favorite = false) {
    FileFacts facts;
    facts.fingerprint.codec = codec;
    return makeItem({.id = id,
                     .name = name,
                     .date = date,
                     .duration = seconds,
                     .width = width,
                     .height = height,
                     .favorite = favorite,
                     .size = bytes ? known(*bytes) : SizeState::unavailable(),
                     .file = facts});
}

} // namespace

Q_DECLARE_METATYPE(FactRows)

class SimilarCompareTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachColumnShowsItsCopysFacts_data() {
        QTest::addColumn<ItemList>("videos");
        QTest::addColumn<SimilarKeeperReason>("reason");
        QTest::addColumn<FactRows>("rows");
        const Instant july = localTime(2021, 7, 4, 15, 30);

        QTest::newRow("different forms")
            << ItemList{copy(u"a"_qs, u"Beach.mp4"_qs, 1920, 1080, 12'345'678, 10, "h264", july),
                        copy(u"b"_qs, u"Beach small.mkv"_qs, 1280, 720, 1'000'000, 10, "vp9", july),
                        copy(u"c"_qs, u"Beach copy.avi"_qs, 0, 0, std::nullopt, 0, ""),
                        copy(u"d"_qs, u"Beach old.ogv"_qs, 640, 480, 2'500'000, 9.4, "theora",
                             july)}
            << SimilarKeeperReason::mostPixels
            << FactRows{
                   {Fact::mark,
                    {u"Kept: largest picture"_qs, u"Extra copy"_qs, u"Extra copy"_qs,
                     u"Extra copy"_qs}},
                   {Fact::name,
                    {u"Beach.mp4"_qs, u"Beach small.mkv"_qs, u"Beach copy.avi"_qs,
                     u"Beach old.ogv"_qs}},
                   {Fact::size, {u"*12.3 MB*"_qs, u"1 MB"_qs, u"Unavailable"_qs, u"2.5 MB"_qs}},
                   {Fact::resolution,
                    {u"*1920 × 1080*"_qs, u"1280 × 720"_qs, u"—"_qs, u"640 × 480"_qs}},
                   {Fact::codec, {u"H.264"_qs, u"VP9"_qs, u"—"_qs, u"theora"_qs}},
                   {Fact::bitRate,
                    {u"*9.9 Mbit/s*"_qs, u"800 kbit/s"_qs, u"—"_qs, u"2.1 Mbit/s"_qs}},
                   {Fact::duration, {u"0:10"_qs, u"0:10"_qs, u"—"_qs, u"0:09"_qs}},
                   {Fact::date,
                    {u"Jul 4, 2021"_qs, u"Jul 4, 2021"_qs, u"Unknown date"_qs, u"Jul 4, 2021"_qs}},
               };
        // Alike in size, picture and bit rate: nothing stands out.
        QTest::newRow("alike")
            << ItemList{copy(u"a"_qs, u"Cat.mov"_qs, 1280, 720, 5'000'000, 20, "hevc", july, true),
                        copy(u"b"_qs, u"Cat.webm"_qs, 1280, 720, 5'000'000, 20, "av1", july)}
            << SimilarKeeperReason::favourite
            << FactRows{
                   {Fact::mark, {u"Kept: favourite"_qs, u"Extra copy"_qs}},
                   {Fact::size, {u"5 MB"_qs, u"5 MB"_qs}},
                   {Fact::resolution, {u"1280 × 720"_qs, u"1280 × 720"_qs}},
                   {Fact::codec, {u"HEVC"_qs, u"AV1"_qs}},
                   {Fact::bitRate, {u"2.0 Mbit/s"_qs, u"2.0 Mbit/s"_qs}},
               };
    }
    void eachColumnShowsItsCopysFacts() {
        QFETCH(ItemList, videos);
        QFETCH(SimilarKeeperReason, reason);
        QFETCH(FactRows, rows);
        ServiceFixture f;
        SimilarCompareView view(f.service);
        view.setGroup(videos, reason);
        QCOMPARE(view.columnCount(), int(videos.size()));
        for (const auto &[fact, expected] : rows) {
            QStringList actual;
            for (int index = 0; index < view.columnCount(); ++index)
                actual << shown(view.column(index)->factLabel(fact));
            QCOMPARE(actual, expected);
        }
    }

    void theMomentSeeksEachCopyAndAFailureLeavesTheOthersPlaying() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString one = makeVideo(dir.filePath(u"one.mp4"_qs), {.seconds = 1.0});
        const QString three = makeVideo(dir.filePath(u"three.mp4"_qs), {.seconds = 3.0});
        QVERIFY(!one.isEmpty() && !three.isEmpty());
        const QString corrupt = dir.filePath(u"corrupt.mp4"_qs);
        QVERIFY(writeNewFile(corrupt, QByteArray(4096, 'x')));
        ServiceFixture f;
        for (const auto &[id, path] :
             {std::pair(u"a"_qs, one), std::pair(u"b"_qs, three), std::pair(u"c"_qs, corrupt)}) {
            MemoryAsset asset = bareAsset(id);
            asset.media = MediaAsset{path, true, true, 0};
            f.platform->addAsset(asset);
        }
        SimilarCompareView view(f.service);
        view.setGroup(
            {makeItem({.id = u"a"_qs}), makeItem({.id = u"b"_qs}), makeItem({.id = u"c"_qs})},
            SimilarKeeperReason::oldest);
        view.show();
        QApplication::setActiveWindow(&view);
        QTRY_VERIFY(view.column(0)->player() && view.column(1)->player());
        QTRY_VERIFY(view.column(2)->errorMessage());
        QVERIFY2(view.column(2)->errorMessage()->startsWith(u"The video could not be played"_qs),
                 qPrintable(*view.column(2)->errorMessage()));
        QCOMPARE(view.column(2)->player(), nullptr);
        QVERIFY(view.column(0)->player()->audioOutput()->isMuted());

        // Half way is half of each copy's own length.
        view.momentSlider()->setValue(view.momentSlider()->maximum() / 2);
        for (int index : {0, 1}) {
            const QMediaPlayer *player = view.column(index)->player();
            QTRY_COMPARE(player->position(), (player->duration() + 1) / 2);
        }
        QVERIFY(view.column(1)->player()->position() > 1000);
        // And each shows the frame of that moment, though none has played yet.
        const QVideoSink *sink = view.column(1)->findChild<QVideoWidget *>()->videoSink();
        QTRY_VERIFY(std::abs(sink->videoFrame().startTime() - 1'500'000) < 100'000);

        QTest::keyClick(&view, Qt::Key_Space);
        QTRY_VERIFY(view.column(0)->isPlaying() && view.column(1)->isPlaying());
        QCOMPARE(view.playButton()->text(), u"Pause"_qs);

        QSignalSpy finished(&view, &QDialog::finished);
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(view.column(0)->player(), nullptr);
        QCOMPARE(view.column(1)->player(), nullptr);
    }
};

ORSENTA_WIDGET_TEST_MAIN(SimilarCompareTest)
#include "tst_similarcompare.moc"
