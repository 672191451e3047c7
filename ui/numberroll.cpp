// SPDX-License-Identifier: GPL-3.0-or-later
#include "numberroll.h"

#include <QWidget>

namespace orsenta {

NumberRoll::NumberRoll(int channels, QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
    , m_channels(std::size_t(channels)) {
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    m_animation.setDuration(durationMs);
    m_animation.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_animation, &QVariantAnimation::valueChanged, m_owner, qOverload<>(&QWidget::update));
}

double NumberRoll::progress() const {
    return m_animation.state() == QAbstractAnimation::Running
               ? m_animation.currentValue().toDouble()
               : 1.0;
}

double NumberRoll::shown(int channel) const {
    const Channel &c = m_channels.at(std::size_t(channel));
    return c.from + (c.to - c.from) * progress();
}

void NumberRoll::setTarget(int channel, double value) {
    if (m_channels.at(std::size_t(channel)).to == value)
        return;
    const bool rolls = m_owner->isVisible();
    for (std::size_t i = 0; i < m_channels.size(); ++i) {
        Channel &c = m_channels[i];
        c.from = rolls ? shown(int(i)) : c.to;
        if (int(i) == channel)
            c.to = value;
        if (!rolls)
            c.from = c.to;
    }
    m_animation.stop();
    if (rolls)
        m_animation.start();
    m_owner->update();
}

} // namespace orsenta
