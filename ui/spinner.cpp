// SPDX-License-Identifier: GPL-3.0-or-later
#include "spinner.h"

#include <QPainter>

namespace orsenta {

Spinner::Spinner(int diameter, QWidget *parent)
    : QWidget(parent)
    , m_diameter(diameter) {
    setFixedSize(diameter, diameter);
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max(1.5, m_diameter / 8.0);
    const QRectF circle = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15f);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(circle);
    QColor arc = palette().color(QPalette::WindowText);
    arc.setAlphaF(0.6f);
    painter.setPen(QPen(arc, pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(circle, -m_angle * 16, 100 * 16);
}

void Spinner::showEvent(QShowEvent *) {
    m_timer.start();
}

void Spinner::hideEvent(QHideEvent *) {
    m_timer.stop();
}

} // namespace orsenta
