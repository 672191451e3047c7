// SPDX-License-Identifier: GPL-3.0-or-later
// The preview sheet on real small videos, driven with the keyboard, the mouse and the player's
// own controls: loading, playing, failing, scrubbing, the end of the video and closing.

#include "library/photolibraryservice.h"
#include "support/itembuilder.h"
#include "support/memorylibrary.h"
#include "support/samplevideos.h"
#include "ui/detailviews.h"
#include "ui/playbackobserver.h"
#include "ui/videopreviewview.h"
#include "uitestfixture.h"

#include <QAbstractButton>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

using namespace orsenta;
using namespace orsenta::test;
using State = VideoPreviewView::State;
using platform::MediaAsset;

Q_DECLARE_METATYPE(State)

namespace {

struct Sheet {
    ServiceFixture f;
    std::unique_ptr<VideoPreviewView> view;

    // The library holds the video "a" with this file, or nothing when `path` is empty.
    void open(const QString &path, bool playable = true) {
        if (!path.isEmpty()) {
            MemoryAsset asset = bareAsset(u"a"_qs);
            asset.media = MediaAsset{path, true, playable, 0};
            f.platform->addAsset(asset);
        }
        const VideoItem item = makeItem({.id = u"a"_qs,
                                         .name = u"Beach day.mp4"_qs,
                                         .width = 320,
                                         .height = 240,
                                         .size = known(1'234'567)});
        view = std::make_unique<VideoPreviewView>(f.service, item);
        view->show();
        QApplication::setActiveWindow(view.get());
    }
    [[nodiscard]] bool playing() const {
        return QTest::qWaitFor([this] { return view->isPlaying(); });
    }
    void press(Qt::Key key) const { QTest::keyClick(view.get(), key); }
};

} // namespace

class VideoPreviewTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_clip;  // 1 s with sound
    QString m_short; // 0.4 s
    QString m_long;  // 3 s

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_clip = makeVideo(m_dir.filePath(u"clip.mp4"_qs), {.seconds = 1.0, .audio = true});
        m_short = makeVideo(m_dir.filePath(u"short.mp4"_qs), {.seconds = 0.4, .frameRate = 25});
        m_long = makeVideo(m_dir.filePath(u"long.mp4"_qs), {.seconds = 3.0});
        QVERIFY(!m_clip.isEmpty() && !m_short.isEmpty() && !m_long.isEmpty());
        QVERIFY(writeNewFile(m_dir.filePath(u"corrupt.mp4"_qs), QByteArray(4096, 'x')));
    }

    // Mute follows the player whoever changes it.
    void aLoadedVideoStartsPlayingWithItsControls() {
        Sheet s;
        s.open(m_clip);
        QCOMPARE(s.view->titleText(), u"Beach day.mp4"_qs);
        QCOMPARE(s.view->subtitleText(), u"320 × 240 · 1.2 MB"_qs);
        QVERIFY(s.playing());
        QCOMPARE(s.view->state(), State::playing);
        QCOMPARE(s.view->playButton()->toolTip(), u"Pause"_qs);
        QVERIFY(s.view->playButton()->isVisible());
        QCOMPARE(s.view->durationText(), u"0:01"_qs);
        QCOMPARE(s.view->positionSlider()->maximum(), 1000);
        QVERIFY(s.view->positionSlider()->isEnabled());
        QSignalSpy frames(s.view->findChild<QVideoWidget *>()->videoSink(),
                          &QVideoSink::videoFrameChanged);
        QTRY_VERIFY(frames.count() > 0);

        QCOMPARE(s.view->muteButton()->toolTip(), u"Mute"_qs);
        s.view->muteButton()->click();
        QVERIFY(s.view->player()->audioOutput()->isMuted());
        QCOMPARE(s.view->muteButton()->toolTip(), u"Unmute"_qs);
        s.view->player()->audioOutput()->setMuted(false);
        QVERIFY(!s.view->isMuted());
        QCOMPARE(s.view->muteButton()->toolTip(), u"Mute"_qs);
    }

    void failuresShowPreviewUnavailable_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("playable");
        QTest::addColumn<QString>("message");
        QTest::newRow("vanished") << QString() << true
                                  << u"This video is no longer in your video folders."_qs;
        QTest::newRow("not playable")
            << u"clip.mp4"_qs << false
            << u"The file of this video is not available on this computer."_qs;
        QTest::newRow("corrupt") << u"corrupt.mp4"_qs << true
                                 << u"The video could not be played: "_qs;
    }
    void failuresShowPreviewUnavailable() {
        QFETCH(QString, file);
        QFETCH(bool, playable);
        QFETCH(QString, message);
        Sheet s;
        s.open(file.isEmpty() ? QString() : m_dir.filePath(file), playable);
        QTRY_COMPARE(s.view->state(), State::failed);
        QCOMPARE(s.view->failure()->title(), u"Preview unavailable"_qs);
        QVERIFY2(s.view->failure()->message().startsWith(message),
                 qPrintable(s.view->failure()->message()));
        QVERIFY(s.view->failure()->isVisible());
        QVERIFY(!s.view->playButton()->isVisible());
        QCOMPARE(s.view->player(), nullptr);
    }

    // A video shorter than a second still has a slider to one.
    void theEndLeavesTheStartPausedAndSpacePlaysAgain() {
        Sheet s;
        s.open(m_short);
        QVERIFY(s.playing());
        QVERIFY(std::abs(s.view->duration() - 0.4) < 0.05);
        QCOMPARE(s.view->positionSlider()->minimum(), 0);
        QCOMPARE(s.view->positionSlider()->maximum(), 1000);
        QVERIFY(s.view->positionSlider()->isEnabled());
        QSignalSpy statuses(s.view->player(), &QMediaPlayer::mediaStatusChanged);
        QTRY_VERIFY(std::any_of(statuses.cbegin(), statuses.cend(), [](const QVariantList &args) {
            return args.at(0).value<QMediaPlayer::MediaStatus>() == QMediaPlayer::EndOfMedia;
        }));
        QTRY_VERIFY(!s.view->isPlaying());
        QSignalSpy ticks(s.view->observer(), &PlaybackObserver::ticked);
        QVERIFY(ticks.wait());
        QCOMPARE(s.view->player()->position(), 0);
        QCOMPARE(s.view->elapsedText(), u"0:00"_qs);
        QCOMPARE(s.view->playButton()->toolTip(), u"Play"_qs);

        s.press(Qt::Key_Space);
        QVERIFY(s.playing());
    }

    // A seek while paused lands exactly where the knob was left.
    void spaceTogglesAndEscapeClosesAndReleasesThePlayer() {
        Sheet s;
        s.open(m_long); // one keyframe, at the start
        QVERIFY(s.playing());
        s.press(Qt::Key_Space);
        QTRY_VERIFY(!s.view->isPlaying());
        QCOMPARE(s.view->player()->playbackState(), QMediaPlayer::PausedState);
        QSlider *slider = s.view->positionSlider();
        slider->setSliderDown(true);
        slider->setValue(1700);
        slider->setSliderDown(false);
        QTRY_COMPARE(s.view->player()->position(), 1700);
        // The picture shown is the frame at that time, not the keyframe before it.
        const QVideoSink *sink = s.view->findChild<QVideoWidget *>()->videoSink();
        QTRY_VERIFY(std::abs(sink->videoFrame().startTime() - 1'700'000) < 100'000);
        s.press(Qt::Key_Space);
        QVERIFY(s.playing());

        QSignalSpy finished(s.view.get(), &QDialog::finished);
        s.press(Qt::Key_Escape);
        // A shortcut clicks its button with a short animation.
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!s.view->isVisible());
        QCOMPARE(s.view->player(), nullptr);
        QCOMPARE(s.view->observer(), nullptr);
    }

    void closingWhileLoadingIsSilentAndPlaysNothing() {
        Sheet s;
        s.f.platform->setDelivery(MemoryPlatform::Delivery::held);
        s.open(m_clip);
        QCOMPARE(s.view->state(), State::loading);
        QCOMPARE(s.view->loadingText(), u"Loading preview…"_qs);
        QTRY_COMPARE(s.f.platform->counters().mediaRequests, 1);
        s.view->closeButton()->click();
        s.f.platform->releaseHeld();
        QTRY_COMPARE(s.f.platform->counters().inFlight, 0);
        QCoreApplication::processEvents();
        QCOMPARE(s.view->state(), State::loading);
        QCOMPARE(s.view->player(), nullptr);
        QVERIFY(!s.view->errorMessage());
    }

    void anotherRecordCancelsTheLoadAndShowsItsOwn() {
        Sheet s;
        s.f.platform->setDelivery(MemoryPlatform::Delivery::held);
        s.open(m_clip);
        MemoryAsset other = bareAsset(u"b"_qs);
        other.media = MediaAsset{m_long, true, true, 0};
        s.f.platform->addAsset(other);
        QTRY_COMPARE(s.f.platform->counters().mediaRequests, 1);
        s.view->setItem(makeItem({.id = u"b"_qs, .name = u"Long.mp4"_qs}));
        QTRY_COMPARE(s.f.platform->counters().mediaRequests, 2);
        s.f.platform->setDelivery(MemoryPlatform::Delivery::immediate);
        s.f.platform->releaseHeld();
        QVERIFY(s.playing());
        QCOMPARE(s.view->player()->source().toLocalFile(), m_long);
        QCOMPARE(s.view->titleText(), u"Long.mp4"_qs);
    }

    void aDragHoldsThePlayheadAndItsReleaseSeeksThere() {
        Sheet s;
        s.open(m_long);
        QVERIFY(s.playing());
        QSlider *slider = s.view->positionSlider();
        slider->setSliderDown(true);
        slider->setValue(2200);
        QVERIFY(s.view->isScrubbing());
        QCOMPARE(s.view->elapsedText(), u"0:02"_qs);
        // Ticks while the knob is held leave it where the user put it.
        QSignalSpy ticks(s.view->observer(), &PlaybackObserver::ticked);
        QVERIFY(ticks.wait());
        QVERIFY(ticks.wait());
        QCOMPARE(s.view->playhead(), 2.2);
        QCOMPARE(slider->value(), 2200);
        QVERIFY(s.view->player()->position() < 2200);

        slider->setSliderDown(false);
        QVERIFY(!s.view->isScrubbing());
        QTRY_VERIFY(s.view->player()->position() >= 2200);
    }
};

ORSENTA_WIDGET_TEST_MAIN(VideoPreviewTest)
#include "tst_videopreview.moc"
