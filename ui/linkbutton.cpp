// SPDX-License-Identifier: GPL-3.0-or-later
#include "linkbutton.h"

#include <QFontMetrics>
#include <QPainter>

namespace orsenta {

namespace {
constexpr int symbolSpacing = 4;
constexpr int verticalPadding = 3;
} // namespace

LinkButton::LinkButton(const QString &text, QWidget *parent)
    : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void LinkButton::setLeadingSymbol(Symbol symbol) {
    m_symbol = symbol;
    updateGeometry();
    update();
}

int LinkButton::symbolSize() const {
    return m_symbol ? QFontMetrics(font()).ascent() - 2 : 0;
}

QSize LinkButton::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 2;
    if (m_symbol)
        width += symbolSize() + symbolSpacing;
    return {width, metrics.height() + 2 * verticalPadding};
}

void LinkButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = palette().color(QPalette::Link);
    if (!isEnabled())
        color.setAlphaF(0.4f);
    else if (isDown())
        color = color.darker(130);
    int left = 0;
    if (m_symbol) {
        const int size = symbolSize();
        paintSymbol(painter, *m_symbol, QRectF(0, (height() - size) / 2.0, size, size), color);
        left = size + symbolSpacing;
    }
    painter.setPen(color);
    QFont font = this->font();
    font.setUnderline(hasFocus());
    painter.setFont(font);
    painter.drawText(rect().adjusted(left, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeading, text());
}

} // namespace orsenta
