// SPDX-License-Identifier: GPL-3.0-or-later
// The preview's player, made from real small videos the library points at: ready to play with
// the right length, or a clear error, or nothing at all once the caller stopped waiting.

#include "support/failuretext.h"
#include "support/memorylibrary.h"
#include "support/samplevideos.h"
#include "support/testmain.h"

#include <QTemporaryDir>

#include <cmath>
#include <limits>

using namespace orsenta;
using namespace orsenta::test;
using platform::MediaAsset;

namespace {

constexpr double undefined = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

MemoryAsset playableAt(const QString &path, bool playable = true) {
    MemoryAsset asset = bareAsset(u"a"_qs);
    asset.media = MediaAsset{path, true, playable, undefined};
    return asset;
}

} // namespace

class TestPreviewPlayer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_video;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_video = makeVideo(m_dir.filePath(u"clip.mp4"_qs), {.seconds = 1.0, .audio = true});
        QVERIFY2(!m_video.isEmpty(), "ffmpeg could not make the sample video");
    }

    void thePlayerHasReadTheVideoAndHasNotStarted() {
        ServiceFixture f;
        f.platform->addAsset(playableAt(m_video));
        const PreviewPlayer made = await(f.service->makePreviewPlayer(u"a"_qs));
        QVERIFY(made.player);
        QCOMPARE(made.player->source().toLocalFile(), m_video);
        QVERIFY(made.player->audioOutput());
        QVERIFY2(std::abs(made.duration - 1.0) < 0.05, qPrintable(QString::number(made.duration)));
        QVERIFY(made.player->mediaStatus() != QMediaPlayer::LoadingMedia);
        QCOMPARE(made.player->playbackState(), QMediaPlayer::StoppedState);
    }

    // A file gone since the scan is a video that cannot be played. (The library's refusals and
    // a file that holds no video reach the preview window, whose tests show what it says.)
    void aFileGoneSinceTheScanCannotBePlayed() {
        ServiceFixture f;
        f.platform->addAsset(playableAt(m_dir.filePath(u"gone.mp4"_qs)));
        const QString told = failureText(f.service->makePreviewPlayer(u"a"_qs));
        QVERIFY2(told.startsWith(u"The video could not be played: "_qs), qPrintable(told));
    }

    void aCallerThatStoppedWaitingGetsNoPlayer() {
        ServiceFixture f;
        f.platform->addAsset(playableAt(m_video));
        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        std::stop_source stop;
        auto task = f.service->makePreviewPlayer(u"a"_qs, stop.get_token());
        QTRY_COMPARE(f.platform->counters().mediaRequests, 1);
        stop.request_stop();
        f.platform->releaseHeld();
        QVERIFY_THROWS_EXCEPTION(PreviewCancelled, await(std::move(task)));
    }

    void theLengthShown_data() {
        QTest::addColumn<qint64>("playerMilliseconds");
        QTest::addColumn<double>("librarySeconds");
        QTest::addColumn<double>("seconds");
        QTest::newRow("the player's") << qint64(1500) << 9.0 << 1.5;
        QTest::newRow("the library's when the player has none") << qint64(0) << 2.5 << 2.5;
        QTest::newRow("undefined") << qint64(0) << undefined << 0.0;
        QTest::newRow("infinite") << qint64(0) << infinity << 0.0;
        QTest::newRow("negative") << qint64(-40) << -1.0 << 0.0;
    }
    void theLengthShown() {
        QFETCH(qint64, playerMilliseconds);
        QFETCH(double, librarySeconds);
        QFETCH(double, seconds);
        QCOMPARE(previewSeconds(playerMilliseconds, librarySeconds), seconds);
    }
};

ORSENTA_TEST_MAIN(TestPreviewPlayer)
#include "tst_previewplayer.moc"
