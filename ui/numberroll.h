// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers that roll to a new value rather than jump: a quarter of a second, easing in and out,
// starting from whatever is shown at that moment, so a count that changes again mid-roll carries
// on smoothly. A widget off screen takes new values at once.

#include <QVariantAnimation>

#include <vector>

class QWidget;

namespace orsenta {

class NumberRoll : public QObject {
    Q_OBJECT
public:
    static constexpr int durationMs = 250;

    // `channels` numbers, all 0 at first; `owner` is repainted at every step.
    NumberRoll(int channels, QWidget *owner);

    // Rolls the channel towards `value` while the owner is on screen; sets it otherwise.
    void setTarget(int channel, double value);
    double target(int channel) const { return m_channels.at(std::size_t(channel)).to; }
    // The value to draw now.
    double shown(int channel) const;
    // The running roll, for tests that step it by hand.
    QVariantAnimation &animation() { return m_animation; }

private:
    struct Channel {
        double from = 0;
        double to = 0;
    };
    double progress() const;

    QWidget *m_owner;
    std::vector<Channel> m_channels;
    QVariantAnimation m_animation;
};

} // namespace orsenta
