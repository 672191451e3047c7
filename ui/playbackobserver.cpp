// SPDX-License-Identifier: GPL-3.0-or-later
#include "playbackobserver.h"

#include <QAudioOutput>
#include <QMediaPlayer>

namespace orsenta {

PlaybackObserver::PlaybackObserver(QMediaPlayer &player, Bindings bindings, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_bindings(std::move(bindings)) {
    m_ticks.setInterval(tickInterval);
    connect(&m_ticks, &QTimer::timeout, this, &PlaybackObserver::tick);
    m_ticks.start();

    connect(&m_player, &QMediaPlayer::playbackStateChanged, this, &PlaybackObserver::followPlaying);
    // Waiting for data is not playing, although the player means to.
    connect(&m_player, &QMediaPlayer::mediaStatusChanged, this, &PlaybackObserver::followPlaying);
    connect(&m_player, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                // The player stops at the end; paused at the start, play plays it again.
                if (status == QMediaPlayer::EndOfMedia) {
                    m_player.pause();
                    m_player.setPosition(0);
                }
            });
    if (QAudioOutput *audio = m_player.audioOutput())
        connect(audio, &QAudioOutput::mutedChanged, this, &PlaybackObserver::followMuted);
    followMuted();
    followPlaying();
}

void PlaybackObserver::tick() {
    if (!m_bindings.isScrubbing()) {
        const qint64 position = m_player.position();
        m_bindings.setPlayhead(position > 0 ? double(position) / 1000.0 : 0.0);
    }
    Q_EMIT ticked();
}

void PlaybackObserver::followPlaying() {
    m_bindings.setPlaying(m_player.playbackState() == QMediaPlayer::PlayingState
                          && m_player.mediaStatus() != QMediaPlayer::StalledMedia);
}

void PlaybackObserver::followMuted() {
    const QAudioOutput *audio = m_player.audioOutput();
    m_bindings.setMuted(audio && audio->isMuted());
}

} // namespace orsenta
