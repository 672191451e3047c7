// SPDX-License-Identifier: GPL-3.0-or-later
#include "similarcopycolumn.h"

#include "fonts.h"
#include "library/photolibraryservice.h"
#include "model/displaytext.h"
#include "previewloading.h"
#include "symbols.h"
#include "videotablemodel.h"

#include <QAudioOutput>
#include <QFormLayout>
#include <QHash>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QVideoWidget>

#include <algorithm>
#include <cmath>

namespace orsenta {

namespace {

QString unknown() {
    return QStringLiteral("\u2014");
}

// The names people know the common codecs by; any other is shown as FFmpeg names it.
QString codecText(const QByteArray &codec) {
    static const QHash<QByteArray, QString> known{
        {"h264", QStringLiteral("H.264")},        {"hevc", QStringLiteral("HEVC")},
        {"vp8", QStringLiteral("VP8")},           {"vp9", QStringLiteral("VP9")},
        {"av1", QStringLiteral("AV1")},           {"mpeg4", QStringLiteral("MPEG-4")},
        {"mpeg2video", QStringLiteral("MPEG-2")}, {"prores", QStringLiteral("ProRes")},
    };
    if (codec.isEmpty())
        return unknown();
    return known.value(codec, QString::fromUtf8(codec));
}

// The whole file over the whole length, sound and container included: what the copy spends a
// second, which is what tells a careful encoding from a hasty one of the same picture.
std::optional<double> bitsPerSecond(const VideoItem &video) {
    const auto bytes = video.sizeState().knownBytes();
    const double seconds = video.duration();
    if (!bytes || !std::isfinite(seconds) || !(seconds > 0))
        return std::nullopt;
    return double(*bytes) * 8 / seconds;
}

QPixmap placeholder() {
    constexpr int side = 48;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintSymbol(painter, Symbol::film, QRectF(0, 0, side, side), QColor(120, 120, 120));
    return pixmap;
}

} // namespace

SimilarCopyColumn::SimilarCopyColumn(std::shared_ptr<PhotoLibraryService> service, VideoItem video,
                                     std::optional<SimilarKeeperReason> kept, QWidget *parent)
    : QWidget(parent)
    , m_service(std::move(service))
    , m_video(std::move(video)) {
    setFixedWidth(pictureSize.width());
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    const QString mark = kept ? VideoTableModel::similarKeeperText(*kept) : tr("Extra copy");
    auto *markLabel = new QLabel(mark);
    if (kept)
        markLabel->setFont(scaledFont(markLabel->font(), 1, QFont::DemiBold));
    else
        markLabel->setForegroundRole(QPalette::PlaceholderText);
    m_facts[int(Fact::mark)] = markLabel;
    column->addWidget(markLabel);

    // The picture is black in either theme, as in the preview; what is written on it is light.
    m_picture = new QStackedWidget;
    m_picture->setFixedSize(pictureSize);
    m_picture->setAutoFillBackground(true);
    QPalette onBlack = palette();
    onBlack.setColor(QPalette::Window, Qt::black);
    onBlack.setColor(QPalette::WindowText, QColor(235, 235, 235));
    m_picture->setPalette(onBlack);
    m_still = new QLabel;
    m_still->setAlignment(Qt::AlignCenter);
    m_still->setPixmap(placeholder());
    m_picture->addWidget(m_still);
    m_videoWidget = new QVideoWidget;
    m_videoWidget->setAspectRatioMode(Qt::KeepAspectRatio);
    m_picture->addWidget(m_videoWidget);
    m_failure = new QLabel;
    m_failure->setTextFormat(Qt::PlainText);
    m_failure->setAlignment(Qt::AlignCenter);
    m_failure->setWordWrap(true);
    m_failure->setContentsMargins(12, 12, 12, 12);
    m_picture->addWidget(m_failure);
    column->addWidget(m_picture);

    const QString name = m_video.displayName();
    auto *nameLabel = new QLabel;
    nameLabel->setTextFormat(Qt::PlainText);
    nameLabel->setFont(scaledFont(nameLabel->font(), 1, QFont::DemiBold));
    nameLabel->setText(
        nameLabel->fontMetrics().elidedText(name, Qt::ElideMiddle, pictureSize.width()));
    nameLabel->setToolTip(name);
    nameLabel->setAccessibleName(name);
    m_facts[int(Fact::name)] = nameLabel;
    column->addWidget(nameLabel);

    const auto bitRate = bitsPerSecond(m_video);
    QString bitRateText = unknown();
    if (bitRate && *bitRate >= 999'500)
        bitRateText = tr("%1 Mbit/s").arg(QLocale().toString(*bitRate / 1e6, 'f', 1));
    else if (bitRate)
        bitRateText = tr("%1 kbit/s").arg(QLocale().toString(std::round(*bitRate / 1e3), 'f', 0));

    auto *form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(3);
    form->setLabelAlignment(Qt::AlignLeft);
    const auto addFact = [&](Fact fact, const QString &title, const QString &value) {
        auto *titleLabel = new QLabel(title);
        titleLabel->setForegroundRole(QPalette::PlaceholderText);
        auto *valueLabel = new QLabel(value);
        valueLabel->setTextFormat(Qt::PlainText);
        m_facts[int(fact)] = valueLabel;
        form->addRow(titleLabel, valueLabel);
    };
    addFact(Fact::size, tr("Size"), sizeText(m_video.sizeState().knownBytes()));
    addFact(Fact::resolution, tr("Resolution"),
            dimensionsText(m_video.pixelWidth(), m_video.pixelHeight()));
    addFact(Fact::codec, tr("Codec"), codecText(m_video.fileFacts().fingerprint.codec));
    addFact(Fact::bitRate, tr("Bit rate"), bitRateText);
    addFact(Fact::duration, tr("Duration"), videoLengthText(m_video.duration()));
    addFact(Fact::date, tr("Date"), shortDateText(m_video.creationDate()));
    m_facts[int(Fact::date)]->setToolTip(longDateText(m_video.creationDate()));
    column->addLayout(form);
    column->addStretch(1);

    loadThumbnail(m_loading.get_token());
    loadPlayer(m_loading.get_token());
}

SimilarCopyColumn::~SimilarCopyColumn() {
    release();
}

QLabel *SimilarCopyColumn::factLabel(Fact fact) const {
    return m_facts[int(fact)];
}

std::optional<double> SimilarCopyColumn::measure(Fact fact) const {
    switch (fact) {
    case Fact::size:
        if (const auto bytes = m_video.sizeState().knownBytes())
            return double(*bytes);
        return std::nullopt;
    case Fact::resolution:
        if (m_video.pixelWidth() >= 1 && m_video.pixelHeight() >= 1)
            return double(m_video.pixelWidth()) * double(m_video.pixelHeight());
        return std::nullopt;
    case Fact::bitRate:
        return bitsPerSecond(m_video);
    default:
        return std::nullopt;
    }
}

void SimilarCopyColumn::setEmphasised(Fact fact, bool emphasised) {
    QLabel *label = m_facts[int(fact)];
    QFont font = label->font();
    font.setBold(emphasised);
    label->setFont(font);
}

QMediaPlayer *SimilarCopyColumn::player() const {
    return m_player.get();
}

bool SimilarCopyColumn::isPlaying() const {
    return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
}

bool SimilarCopyColumn::hasEnded() const {
    return m_player && m_player->mediaStatus() == QMediaPlayer::EndOfMedia;
}

std::optional<double> SimilarCopyColumn::fraction() const {
    if (!m_player || !(m_duration > 0))
        return std::nullopt;
    return std::clamp(double(m_player->position()) / (m_duration * 1000), 0.0, 1.0);
}

void SimilarCopyColumn::seekToFraction(double fraction) {
    m_fraction = std::clamp(fraction, 0.0, 1.0);
    if (m_player)
        m_player->setPosition(qint64(std::llround(m_fraction * m_duration * 1000)));
}

void SimilarCopyColumn::setPlaying(bool playing) {
    if (!m_player)
        return;
    if (playing)
        m_player->play();
    else
        m_player->pause();
}

void SimilarCopyColumn::release() {
    m_loading.request_stop();
    if (!m_player)
        return;
    // A player going away reports its last states to nobody.
    m_player->disconnect(this);
    m_player->pause();
    m_player->setVideoOutput(nullptr);
    m_player.reset();
}

QCoro::Task<> SimilarCopyColumn::loadPlayer(std::stop_token cancellation) {
    return loadPreviewPlayer(
        this, m_service, m_video.localIdentifier(), std::move(cancellation),
        [this](PreviewPlayer made) { showPlayer(std::move(made)); },
        [this](const QString &message) { showFailure(message); });
}

QCoro::Task<> SimilarCopyColumn::loadThumbnail(std::stop_token cancellation) {
    const QPointer<SimilarCopyColumn> self(this);
    const std::shared_ptr<PhotoLibraryService> service = m_service;
    const qreal ratio = devicePixelRatioF();
    const QSizeF pixels(pictureSize.width() * ratio, pictureSize.height() * ratio);
    ThumbnailPtr thumbnail;
    try {
        thumbnail = co_await service->thumbnail(m_video.localIdentifier(), pixels, cancellation);
    } catch (...) {
        // Without a thumbnail the placeholder stays until the player is ready.
    }
    if (!self || cancellation.stop_requested() || !thumbnail || thumbnail->image().isNull())
        co_return;
    QPixmap pixmap = QPixmap::fromImage(
        thumbnail->image().scaled(pixels.toSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    self->m_still->setPixmap(pixmap);
}

void SimilarCopyColumn::showPlayer(PreviewPlayer made) {
    m_duration = made.duration;
    m_player = std::move(made.player);
    if (QAudioOutput *audio = m_player->audioOutput())
        audio->setMuted(true);
    connect(m_player.get(), &QMediaPlayer::playbackStateChanged, this,
            &SimilarCopyColumn::stateChanged);
    connect(m_player.get(), &QMediaPlayer::positionChanged, this, &SimilarCopyColumn::moved);
    m_picture->setCurrentWidget(m_videoWidget);
    // The video widget takes frames only once it is on screen.
    m_player->setVideoOutput(m_videoWidget);
    m_player->pause();
    seekToFraction(m_fraction);
    Q_EMIT stateChanged();
}

void SimilarCopyColumn::showFailure(const QString &message) {
    m_errorMessage = message;
    m_failure->setText(tr("Preview unavailable") + u'\n' + message);
    m_picture->setCurrentWidget(m_failure);
    Q_EMIT stateChanged();
}

} // namespace orsenta
