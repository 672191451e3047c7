// SPDX-License-Identifier: GPL-3.0-or-later
#include "bytecountview.h"

#include "model/displaytext.h"
#include "numberroll.h"

#include <QPainter>

#include <cmath>

namespace orsenta {

ByteCountView::ByteCountView(QWidget *parent)
    : QWidget(parent)
    , m_roll(new NumberRoll(1, this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text());
}

void ByteCountView::setBytes(std::int64_t bytes) {
    m_bytes = bytes;
    m_roll->setTarget(0, double(bytes));
    setAccessibleName(text());
    updateGeometry();
}

QString ByteCountView::text() const {
    return sizeText(m_bytes);
}

QString ByteCountView::shownText() const {
    return sizeText(std::llround(m_roll->shown(0)));
}

QSize ByteCountView::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height()};
}

QSize ByteCountView::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void ByteCountView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), int(Qt::AlignLeft | Qt::AlignVCenter), shownText());
}

} // namespace orsenta
