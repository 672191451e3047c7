// SPDX-License-Identifier: GPL-3.0-or-later
#include "datebucketrow.h"

#include "fonts.h"
#include "model/displaytext.h"
#include "numberroll.h"
#include "symbols.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <climits>
#include <cmath>

namespace orsenta {

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 3;
constexpr int spacing = 8;
constexpr int minimumGap = 6;
constexpr int chevronWidth = 8;
constexpr qreal cornerRadius = 5;

enum Channel { countChannel, bytesChannel, selectionChannel, channelCount };

QString videosText(std::int64_t count) {
    const int n = int(std::clamp<std::int64_t>(count, 0, INT_MAX));
    return QCoreApplication::translate("Sidebar", "%Ln video(s)", nullptr, n);
}

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

QColor secondary(const QPalette &palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.62);
}

} // namespace

DateBucketRow::DateBucketRow(QWidget *parent)
    : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_roll = new NumberRoll(channelCount, this);
}

void DateBucketRow::setTitle(const QString &title) {
    m_title = title;
    setAccessibleName(title);
    changed();
}
void DateBucketRow::setCount(std::int64_t count) {
    m_count = count;
    m_roll->setTarget(countChannel, double(count));
    changed();
}
void DateBucketRow::setBytes(std::int64_t bytes) {
    m_bytes = bytes;
    m_roll->setTarget(bytesChannel, double(bytes));
    changed();
}
void DateBucketRow::setFraction(std::optional<double> fraction) {
    m_fraction = fraction;
    update();
}
void DateBucketRow::setSelected(bool selected) {
    m_selected = selected;
    m_roll->setTarget(selectionChannel, selected ? 1.0 : 0.0);
    changed();
}
void DateBucketRow::setShowsDisclosure(bool shows) {
    m_showsDisclosure = shows;
    changed();
}
void DateBucketRow::setIndented(bool indented) {
    m_indented = indented;
    changed();
}

void DateBucketRow::changed() {
    updateGeometry();
    update();
}

QString DateBucketRow::countText() const {
    return videosText(m_count);
}

QString DateBucketRow::shownCountText() const {
    return videosText(std::llround(m_roll->shown(countChannel)));
}

QString DateBucketRow::shownBytesText() const {
    return sizeText(std::llround(m_roll->shown(bytesChannel)));
}

double DateBucketRow::barFraction() const {
    if (!m_fraction)
        return 0;
    return std::clamp(std::max(*m_fraction, minimumBarFraction), 0.0, 1.0);
}

QSize DateBucketRow::sizeHint() const {
    QFont titleFont = font();
    titleFont.setWeight(QFont::DemiBold);
    const QFontMetrics title(titleFont);
    const QFontMetrics count(scaledFont(font(), 0.8));
    const QFontMetrics bytes(scaledFont(font(), 0.86));
    int width = (m_indented ? indentation : 0) + 2 * horizontalPadding
                + title.horizontalAdvance(m_title) + spacing + count.horizontalAdvance(countText())
                + spacing + minimumGap + bytes.horizontalAdvance(sizeText(m_bytes));
    if (m_showsDisclosure)
        width += spacing + chevronWidth;
    return {width, title.height() + 2 * verticalPadding + 4};
}

QSize DateBucketRow::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void DateBucketRow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const QColor accent = pal.color(QPalette::Highlight);

    const QRectF background = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(background, cornerRadius, cornerRadius);
    painter.setClipPath(shape);
    const double selection = m_roll->shown(selectionChannel);
    if (selection > 0)
        painter.fillRect(background, withAlpha(accent, 0.16 * selection));
    if (m_fraction) {
        const double f = barFraction();
        const QColor bar = withAlpha(accent, 0.18 + (0.32 - 0.18) * selection);
        QLinearGradient gradient(background.topLeft(), background.topRight());
        if (layoutDirection() == Qt::RightToLeft)
            gradient = QLinearGradient(background.topRight(), background.topLeft());
        gradient.setColorAt(0, bar);
        gradient.setColorAt(f, bar);
        // A full bar has no clear part: a clear stop at 1 would replace the bar's own there.
        if (f < 1.0) {
            gradient.setColorAt(std::min(1.0, f + 1e-6), Qt::transparent);
            gradient.setColorAt(1, Qt::transparent);
        }
        painter.fillRect(background, gradient);
    }
    if (hasFocus()) {
        painter.setPen(QPen(withAlpha(accent, 0.7), 1));
        painter.drawRoundedRect(background.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                                cornerRadius);
    }
    painter.setClipping(false);

    const QRect content = rect().adjusted((m_indented ? indentation : 0) + horizontalPadding,
                                          verticalPadding, -horizontalPadding, -verticalPadding);
    QFont titleFont = font();
    titleFont.setWeight(m_selected ? QFont::DemiBold : QFont::Normal);
    const QFont countFont = scaledFont(font(), 0.8);
    const QFont bytesFont = scaledFont(font(), 0.86);
    const QFontMetrics titleMetrics(titleFont);
    const int baseline =
        content.top() + (content.height() + titleMetrics.ascent() - titleMetrics.descent()) / 2;

    int right = content.right();
    if (m_showsDisclosure) {
        const QRectF chevron(right - chevronWidth + 1, content.top(), chevronWidth,
                             content.height());
        paintSymbol(painter, Symbol::chevronRight, chevron.adjusted(0, 2, 0, -2),
                    withAlpha(pal.color(QPalette::WindowText), 0.45));
        right -= chevronWidth + spacing;
    }
    const QString bytes = shownBytesText();
    const QFontMetrics bytesMetrics(bytesFont);
    const int bytesWidth = bytesMetrics.horizontalAdvance(bytes);
    painter.setFont(bytesFont);
    painter.setPen(secondary(pal));
    painter.drawText(QPoint(right - bytesWidth + 1, baseline), bytes);
    right -= bytesWidth + minimumGap;

    // The title keeps what room is left before the count does; both elide rather than overlap.
    painter.setFont(titleFont);
    painter.setPen(pal.color(QPalette::WindowText));
    const int titleRoom = std::max(0, right - content.left());
    const QString title = titleMetrics.elidedText(m_title, Qt::ElideRight, titleRoom);
    painter.drawText(QPoint(content.left(), baseline), title);
    const int countLeft = content.left() + titleMetrics.horizontalAdvance(title) + spacing;
    const QFontMetrics countMetrics(countFont);
    const QString count =
        countMetrics.elidedText(shownCountText(), Qt::ElideRight, std::max(0, right - countLeft));
    painter.setFont(countFont);
    painter.setPen(secondary(pal));
    painter.drawText(QPoint(countLeft, baseline), count);
}

} // namespace orsenta
