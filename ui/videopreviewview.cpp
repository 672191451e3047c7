// SPDX-License-Identifier: GPL-3.0-or-later
#include "videopreviewview.h"

#include "detailviews.h"
#include "fonts.h"
#include "library/photolibraryservice.h"
#include "model/displaytext.h"
#include "playbackobserver.h"
#include "previewloading.h"
#include "spinner.h"
#include "symbols.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QPointer>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace orsenta {

namespace {

// Texts filed under the "VideoPreviewView" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(VideoPreviewView)
};

enum Page { loadingPage, videoPage, failurePage };

constexpr int pictureWidth = 820;
constexpr int pictureHeight = 500;
constexpr int timeWidth = 72;

// The picture area is black in either theme; what is written on it is light.
QPalette onBlack(QPalette palette) {
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(235, 235, 235));
    palette.setColor(QPalette::Text, QColor(235, 235, 235));
    palette.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
    return palette;
}

QToolButton *barButton(Symbol shown) {
    auto *button = new QToolButton;
    button->setAutoRaise(true);
    button->setIcon(symbol(shown));
    button->setIconSize(QSize(18, 18));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLabel *timeLabel(Qt::Alignment alignment) {
    auto *label = new QLabel;
    label->setFixedWidth(timeWidth);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

qint64 milliseconds(double seconds) {
    return qint64(std::llround(std::clamp(seconds, 0.0, 1e15) * 1000.0));
}

int sliderUnits(double seconds) {
    return int(std::min<qint64>(milliseconds(seconds), INT_MAX));
}

} // namespace

VideoPreviewView::VideoPreviewView(std::shared_ptr<PhotoLibraryService> service, VideoItem item,
                                   QWidget *parent)
    : QDialog(parent)
    , m_service(std::move(service))
    , m_item(std::move(item)) {
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(true);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new EdgeBar(Qt::BottomEdge);
    header->setFixedHeight(46 + 1);
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(14, 0, 14, 1);
    headerRow->setSpacing(10);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(1);
    titles->addStretch(1);
    m_title = new QLabel;
    m_title->setTextFormat(Qt::PlainText);
    // Long names are elided to the room there is, not the other way round.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont headline = m_title->font();
    headline.setWeight(QFont::DemiBold);
    m_title->setFont(headline);
    m_subtitle = new QLabel;
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_subtitle->setFont(scaledFont(m_subtitle->font(), 0.85));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    titles->addStretch(1);
    headerRow->addLayout(titles, 1);
    m_close = barButton(Symbol::xmark);
    m_close->setToolTip(Text::tr("Close"));
    m_close->setAccessibleName(Text::tr("Close"));
    m_close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(m_close, &QToolButton::clicked, this, &QDialog::reject);
    headerRow->addWidget(m_close);
    column->addWidget(header);

    m_picture = new QStackedWidget;
    m_picture->setMinimumSize(pictureWidth, pictureHeight);
    m_picture->setAutoFillBackground(true);
    m_picture->setPalette(onBlack(palette()));
    auto *loading = new QWidget;
    auto *loadingRow = new QHBoxLayout(loading);
    loadingRow->addStretch(1);
    loadingRow->addWidget(new Spinner(18));
    m_loadingLabel = new QLabel(Text::tr("Loading preview…"));
    loadingRow->addWidget(m_loadingLabel);
    loadingRow->addStretch(1);
    m_picture->insertWidget(loadingPage, loading);
    m_video = new QVideoWidget;
    m_video->setAspectRatioMode(Qt::KeepAspectRatio);
    m_video->setAutoFillBackground(true);
    m_picture->insertWidget(videoPage, m_video);
    m_failure = new EmptyStateView(360);
    m_picture->insertWidget(failurePage, m_failure);
    column->addWidget(m_picture, 1);

    m_controls = new EdgeBar(Qt::TopEdge);
    m_controls->setFixedHeight(1 + 50);
    auto *controlsRow = new QHBoxLayout(m_controls);
    controlsRow->setContentsMargins(16, 1, 16, 0);
    controlsRow->setSpacing(12);
    m_play = barButton(Symbol::playFill);
    m_play->setShortcut(QKeySequence(Qt::Key_Space));
    connect(m_play, &QToolButton::clicked, this, [this] {
        // The observer, not the button, changes isPlaying once the player has changed.
        if (!m_player)
            return;
        if (m_isPlaying)
            m_player->pause();
        else
            m_player->play();
    });
    m_elapsed = timeLabel(Qt::AlignRight);
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setFocusPolicy(Qt::TabFocus);
    m_slider->setPageStep(5000);
    m_slider->setSingleStep(1000);
    connect(m_slider, &QSlider::sliderPressed, this, [this] { m_isScrubbing = true; });
    connect(m_slider, &QSlider::sliderReleased, this, [this] {
        m_isScrubbing = false;
        seekToPlayhead();
    });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (m_movingSlider)
            return;
        m_playhead = value / 1000.0;
        m_elapsed->setText(orsenta::durationText(m_playhead));
        // A drag seeks once it ends; a key or a click on the track seeks at once.
        if (!m_slider->isSliderDown())
            seekToPlayhead();
    });
    m_length = timeLabel(Qt::AlignLeft);
    m_mute = barButton(Symbol::speakerWave2Fill);
    connect(m_mute, &QToolButton::clicked, this, [this] {
        if (QAudioOutput *audio = m_player ? m_player->audioOutput() : nullptr)
            audio->setMuted(!audio->isMuted());
    });
    controlsRow->addWidget(m_play);
    controlsRow->addWidget(m_elapsed);
    controlsRow->addWidget(m_slider, 1);
    controlsRow->addWidget(m_length);
    controlsRow->addWidget(m_mute);
    column->addWidget(m_controls);

    resize(pictureWidth, 47 + pictureHeight + 51);
    renderHeader();
    startLoading();
}

VideoPreviewView::~VideoPreviewView() {
    m_loading.request_stop();
    releasePlayer();
}

void VideoPreviewView::setItem(VideoItem item) {
    const bool another = item.localIdentifier() != m_item.localIdentifier();
    m_item = std::move(item);
    renderHeader();
    if (another)
        startLoading();
}

VideoPreviewView::State VideoPreviewView::state() const {
    if (m_player)
        return State::playing;
    return m_errorMessage ? State::failed : State::loading;
}

void VideoPreviewView::done(int result) {
    // Nothing may play, or start playing, once the sheet has gone.
    m_loading.request_stop();
    releasePlayer();
    QDialog::done(result);
}

void VideoPreviewView::startLoading() {
    m_loading.request_stop();
    m_loading = std::stop_source();
    releasePlayer();
    m_errorMessage.reset();
    m_playhead = 0;
    m_duration = 0;
    renderPicture();
    load(m_loading.get_token());
}

QCoro::Task<> VideoPreviewView::load(std::stop_token cancellation) {
    return loadPreviewPlayer(
        this, m_service, m_item.localIdentifier(), std::move(cancellation),
        [this](PreviewPlayer made) { showPlayer(std::move(made)); },
        [this](const QString &message) { showFailure(message); });
}

void VideoPreviewView::showPlayer(PreviewPlayer made) {
    m_duration = made.duration;
    m_player = std::move(made.player);
    PlaybackObserver::Bindings bindings;
    bindings.isScrubbing = [this] { return m_isScrubbing; };
    bindings.setPlayhead = [this](double seconds) { setPlayhead(seconds); };
    bindings.setPlaying = [this](bool playing) { setPlaying(playing); };
    bindings.setMuted = [this](bool muted) { setMuted(muted); };
    m_observer = new PlaybackObserver(*m_player, std::move(bindings), m_controls);
    renderPicture();
    // The video widget takes frames only once it is on screen.
    m_player->setVideoOutput(m_video);
    m_player->play();
}

void VideoPreviewView::showFailure(const QString &message) {
    m_errorMessage = message;
    renderPicture();
}

void VideoPreviewView::releasePlayer() {
    delete m_observer;
    m_observer = nullptr;
    if (m_player) {
        m_player->pause();
        m_player->setVideoOutput(nullptr);
        m_player.reset();
    }
    m_isPlaying = false;
    m_isScrubbing = false;
}

void VideoPreviewView::seekToPlayhead() {
    if (m_player)
        m_player->setPosition(milliseconds(m_playhead));
}

void VideoPreviewView::setPlayhead(double seconds) {
    m_playhead = seconds;
    renderPosition();
}

void VideoPreviewView::setPlaying(bool playing) {
    m_isPlaying = playing;
    renderControls();
}

void VideoPreviewView::setMuted(bool muted) {
    m_isMuted = muted;
    renderControls();
}

void VideoPreviewView::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    renderHeader();
}

void VideoPreviewView::renderHeader() {
    const QString name = m_item.displayName();
    setWindowTitle(name);
    m_title->setToolTip(name);
    m_title->setText(
        m_title->fontMetrics().elidedText(name, Qt::ElideMiddle, std::max(0, m_title->width())));
    m_subtitle->setText(
        Text::tr("%1 · %2").arg(dimensionsText(m_item.pixelWidth(), m_item.pixelHeight()),
                                sizeText(m_item.sizeState().knownBytes())));
}

void VideoPreviewView::renderPicture() {
    switch (state()) {
    case State::loading:
        m_picture->setCurrentIndex(loadingPage);
        break;
    case State::playing:
        m_picture->setCurrentIndex(videoPage);
        break;
    case State::failed:
        m_failure->show(Symbol::videoSlash, Text::tr("Preview unavailable"), *m_errorMessage);
        m_picture->setCurrentIndex(failurePage);
        break;
    }
    m_controls->setVisible(m_player != nullptr);
    renderControls();
}

void VideoPreviewView::renderControls() {
    m_play->setIcon(symbol(m_isPlaying ? Symbol::pauseFill : Symbol::playFill));
    m_play->setToolTip(m_isPlaying ? Text::tr("Pause") : Text::tr("Play"));
    m_play->setAccessibleName(m_play->toolTip());
    m_mute->setIcon(symbol(m_isMuted ? Symbol::speakerSlashFill : Symbol::speakerWave2Fill));
    m_mute->setToolTip(m_isMuted ? Text::tr("Unmute") : Text::tr("Mute"));
    m_mute->setAccessibleName(m_mute->toolTip());
    m_length->setText(orsenta::durationText(m_duration));
    m_slider->setEnabled(m_duration > 0);
    renderPosition();
}

void VideoPreviewView::renderPosition() {
    m_elapsed->setText(orsenta::durationText(m_playhead));
    if (m_isScrubbing)
        return;
    m_movingSlider = true;
    m_slider->setRange(0, sliderUnits(std::max(m_duration, 1.0)));
    m_slider->setValue(sliderUnits(m_playhead));
    m_movingSlider = false;
}

QString VideoPreviewView::titleText() const {
    return m_title->toolTip();
}

QString VideoPreviewView::subtitleText() const {
    return m_subtitle->text();
}

QString VideoPreviewView::loadingText() const {
    return m_loadingLabel->text();
}

QString VideoPreviewView::elapsedText() const {
    return m_elapsed->text();
}

QString VideoPreviewView::durationText() const {
    return m_length->text();
}

QAbstractButton *VideoPreviewView::closeButton() const {
    return m_close;
}

QAbstractButton *VideoPreviewView::playButton() const {
    return m_play;
}

QAbstractButton *VideoPreviewView::muteButton() const {
    return m_mute;
}

} // namespace orsenta
