// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the preview's playing, muted and position state in step with its player: the position
// five times a second (left to the slider while it is dragged), the playing and muted states as
// they change, however they change, and a return to the start, paused, at the end.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QMediaPlayer;

namespace orsenta {

class PlaybackObserver : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds tickInterval{200};

    struct Bindings {
        std::function<bool()> isScrubbing;
        std::function<void(double seconds)> setPlayhead;
        std::function<void(bool)> setPlaying;
        std::function<void(bool)> setMuted;
    };

    // Writes the current states at once. The player must outlive the observer.
    PlaybackObserver(QMediaPlayer &player, Bindings bindings, QObject *parent = nullptr);

Q_SIGNALS:
    // After each periodic position update, whether or not it moved the playhead.
    void ticked();

private:
    void tick();
    void followPlaying();
    void followMuted();

    QMediaPlayer &m_player;
    Bindings m_bindings;
    QTimer m_ticks;
};

} // namespace orsenta
