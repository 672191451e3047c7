// SPDX-License-Identifier: GPL-3.0-or-later
#include "symbols.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace orsenta {

namespace {

struct SymbolNames {
    const char *own;
    const char *theme;
};

constexpr std::array<SymbolNames, symbolCount> names{{
    {"film", "video-x-generic"},
    {"rectangle.on.rectangle", "video-display"},
    {"heart.fill", "emblem-favorite"},
    {"heart", "emblem-favorite"},
    {"heart.slash", ""},
    {"play.rectangle", "media-playback-start"},
    {"photo.on.rectangle", "folder-open"},
    {"doc.on.doc", "edit-copy"},
    {"arrow.down.circle", "document-save"},
    {"trash", "user-trash"},
    {"rectangle", ""},
    {"rectangle.portrait", ""},
    {"chevron.left", "go-previous"},
    {"chevron.right", "go-next"},
    {"stop.fill", "process-stop"},
    {"arrow.clockwise", "view-refresh"},
    {"arrow.triangle.2.circlepath", "view-refresh"},
    {"line.3.horizontal.decrease.circle", ""},
    {"lock.fill", "system-lock-screen"},
    {"video.slash", ""},
    {"play.fill", "media-playback-start"},
    {"pause.fill", "media-playback-pause"},
    {"speaker.wave.2.fill", "audio-volume-high"},
    {"speaker.slash.fill", "audio-volume-muted"},
    {"xmark", "window-close"},
}};

// Shapes are laid out on a 16 by 16 grid; strokes are 1.4 units wide.
constexpr qreal grid = 16;
constexpr qreal strokeWidth = 1.4;

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal r) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath heartPath() {
    QPainterPath path;
    path.moveTo(8, 14);
    path.cubicTo(3, 10.5, 1, 8, 1, 5.2);
    path.cubicTo(1, 3, 2.8, 1.5, 4.7, 1.5);
    path.cubicTo(6.2, 1.5, 7.3, 2.4, 8, 3.6);
    path.cubicTo(8.7, 2.4, 9.8, 1.5, 11.3, 1.5);
    path.cubicTo(13.2, 1.5, 15, 3, 15, 5.2);
    path.cubicTo(15, 8, 13, 10.5, 8, 14);
    path.closeSubpath();
    return path;
}

QPainterPath circleArrow(qreal startDegrees, qreal spanDegrees) {
    QPainterPath path;
    const QRectF box(2.5, 2.5, 11, 11);
    path.arcMoveTo(box, startDegrees);
    path.arcTo(box, startDegrees, spanDegrees);
    // The arrow head sits at the arc's end, pointing along the arc.
    const qreal end = (startDegrees + spanDegrees) * std::numbers::pi / 180;
    const QPointF tip = path.currentPosition();
    const qreal direction = spanDegrees < 0 ? 1 : -1;
    const QPointF along(-std::sin(end) * direction, -std::cos(end) * direction);
    const QPointF across(std::cos(end), -std::sin(end));
    path.moveTo(tip - along * 2.6 + across * 2.2);
    path.lineTo(tip);
    path.lineTo(tip - along * 2.6 - across * 2.2);
    return path;
}

// What one symbol is made of: outlines stroked and shapes filled.
struct Shape {
    QPainterPath stroked;
    QPainterPath filled;
};

Shape shapeOf(Symbol symbol) {
    Shape s;
    switch (symbol) {
    case Symbol::film: {
        s.stroked = roundedRect(2, 3, 12, 10, 1.5);
        for (qreal y : {4.6, 7.3, 10.0}) {
            s.filled.addRect(QRectF(3.2, y, 1.4, 1.4));
            s.filled.addRect(QRectF(11.4, y, 1.4, 1.4));
        }
        s.stroked.moveTo(5.6, 3);
        s.stroked.lineTo(5.6, 13);
        s.stroked.moveTo(10.4, 3);
        s.stroked.lineTo(10.4, 13);
        break;
    }
    case Symbol::rectangleOnRectangle:
        s.stroked = roundedRect(1.5, 5, 10, 8, 1.2);
        s.stroked.moveTo(4.5, 3);
        s.stroked.lineTo(13.3, 3);
        s.stroked.quadTo(14.5, 3, 14.5, 4.2);
        s.stroked.lineTo(14.5, 10);
        break;
    case Symbol::heartFill:
        s.filled = heartPath();
        break;
    case Symbol::heart:
        s.stroked = heartPath();
        break;
    case Symbol::heartSlash:
        s.stroked = heartPath();
        s.stroked.moveTo(2, 1.5);
        s.stroked.lineTo(14.5, 14.5);
        break;
    case Symbol::playRectangle: {
        s.stroked = roundedRect(1.5, 3, 13, 10, 1.5);
        QPainterPath play;
        play.moveTo(6.5, 5.5);
        play.lineTo(10.5, 8);
        play.lineTo(6.5, 10.5);
        play.closeSubpath();
        s.filled = play;
        break;
    }
    case Symbol::photoOnRectangle: {
        s.stroked = roundedRect(1.5, 4.5, 11, 9, 1.2);
        s.stroked.moveTo(4, 2.5);
        s.stroked.lineTo(13.3, 2.5);
        s.stroked.quadTo(14.5, 2.5, 14.5, 3.7);
        s.stroked.lineTo(14.5, 11);
        QPainterPath hills;
        hills.moveTo(2.2, 12.8);
        hills.lineTo(5.5, 8.5);
        hills.lineTo(8, 11);
        hills.lineTo(9.5, 9.5);
        hills.lineTo(11.8, 12.8);
        hills.closeSubpath();
        hills.addEllipse(QPointF(9.3, 6.8), 1, 1);
        s.filled = hills;
        break;
    }
    case Symbol::docOnDoc:
        s.stroked = roundedRect(5, 4.5, 8.5, 10, 1.2);
        s.stroked.moveTo(3, 11.5);
        s.stroked.lineTo(2.5, 11.5);
        s.stroked.lineTo(2.5, 1.5);
        s.stroked.lineTo(10, 1.5);
        s.stroked.lineTo(10, 2.5);
        break;
    case Symbol::arrowDownCircle:
        s.stroked.addEllipse(QPointF(8, 8), 6.3, 6.3);
        s.stroked.moveTo(8, 4.3);
        s.stroked.lineTo(8, 11.3);
        s.stroked.moveTo(5.2, 8.7);
        s.stroked.lineTo(8, 11.5);
        s.stroked.lineTo(10.8, 8.7);
        break;
    case Symbol::trash:
        s.stroked.moveTo(2, 4);
        s.stroked.lineTo(14, 4);
        s.stroked.moveTo(6, 4);
        s.stroked.lineTo(6, 2);
        s.stroked.lineTo(10, 2);
        s.stroked.lineTo(10, 4);
        s.stroked.moveTo(3.5, 4);
        s.stroked.lineTo(4.5, 14.5);
        s.stroked.lineTo(11.5, 14.5);
        s.stroked.lineTo(12.5, 4);
        s.stroked.moveTo(6.5, 6.5);
        s.stroked.lineTo(6.8, 12);
        s.stroked.moveTo(9.5, 6.5);
        s.stroked.lineTo(9.2, 12);
        break;
    case Symbol::rectangle:
        s.stroked = roundedRect(1.5, 4, 13, 8, 1.5);
        break;
    case Symbol::rectanglePortrait:
        s.stroked = roundedRect(4, 1.5, 8, 13, 1.5);
        break;
    case Symbol::chevronLeft:
        s.stroked.moveTo(10.5, 2.5);
        s.stroked.lineTo(5, 8);
        s.stroked.lineTo(10.5, 13.5);
        break;
    case Symbol::chevronRight:
        s.stroked.moveTo(5.5, 2.5);
        s.stroked.lineTo(11, 8);
        s.stroked.lineTo(5.5, 13.5);
        break;
    case Symbol::stopFill:
        s.filled = roundedRect(3, 3, 10, 10, 1.8);
        break;
    case Symbol::arrowClockwise:
        s.stroked = circleArrow(120, -300);
        break;
    case Symbol::arrowTriangle2Circlepath:
        s.stroked = circleArrow(200, -150);
        s.stroked.addPath(circleArrow(20, -150));
        break;
    case Symbol::line3HorizontalDecreaseCircle:
        s.stroked.addEllipse(QPointF(8, 8), 6.3, 6.3);
        s.stroked.moveTo(4.5, 5.8);
        s.stroked.lineTo(11.5, 5.8);
        s.stroked.moveTo(5.8, 8.2);
        s.stroked.lineTo(10.2, 8.2);
        s.stroked.moveTo(7, 10.6);
        s.stroked.lineTo(9, 10.6);
        break;
    case Symbol::lockFill:
        s.filled = roundedRect(3, 7, 10, 7.5, 1.5);
        s.stroked.moveTo(5.3, 7);
        s.stroked.lineTo(5.3, 5);
        s.stroked.arcTo(QRectF(5.3, 1.8, 5.4, 5.4), 180, -180);
        s.stroked.lineTo(10.7, 7);
        break;
    case Symbol::videoSlash: {
        s.stroked = roundedRect(1.5, 4.5, 9, 7, 1.5);
        QPainterPath lens;
        lens.moveTo(11, 7.2);
        lens.lineTo(14.5, 5);
        lens.lineTo(14.5, 11);
        lens.lineTo(11, 8.8);
        lens.closeSubpath();
        s.filled = lens;
        s.stroked.moveTo(1.5, 1.5);
        s.stroked.lineTo(14.5, 14.5);
        break;
    }
    case Symbol::playFill:
        s.filled.moveTo(4, 2);
        s.filled.lineTo(13.5, 8);
        s.filled.lineTo(4, 14);
        s.filled.closeSubpath();
        break;
    case Symbol::pauseFill:
        s.filled = roundedRect(3.5, 2.5, 3, 11, 0.8);
        s.filled.addPath(roundedRect(9.5, 2.5, 3, 11, 0.8));
        break;
    case Symbol::speakerWave2Fill:
    case Symbol::speakerSlashFill: {
        s.filled.moveTo(1.5, 6);
        s.filled.lineTo(4, 6);
        s.filled.lineTo(7.5, 3);
        s.filled.lineTo(7.5, 13);
        s.filled.lineTo(4, 10);
        s.filled.lineTo(1.5, 10);
        s.filled.closeSubpath();
        if (symbol == Symbol::speakerWave2Fill) {
            s.stroked.arcMoveTo(QRectF(6, 5, 5, 6), -50);
            s.stroked.arcTo(QRectF(6, 5, 5, 6), -50, 100);
            s.stroked.arcMoveTo(QRectF(5.5, 2.5, 9, 11), -50);
            s.stroked.arcTo(QRectF(5.5, 2.5, 9, 11), -50, 100);
        } else {
            s.stroked.moveTo(10, 5.5);
            s.stroked.lineTo(15, 10.5);
            s.stroked.moveTo(15, 5.5);
            s.stroked.lineTo(10, 10.5);
        }
        break;
    }
    case Symbol::xmark:
        s.stroked.moveTo(3.5, 3.5);
        s.stroked.lineTo(12.5, 12.5);
        s.stroked.moveTo(12.5, 3.5);
        s.stroked.lineTo(3.5, 12.5);
        break;
    case Symbol::Count:
        break;
    }
    return s;
}

// Draws the shape in the palette's text colour for the icon's mode, at whatever size is asked.
class DrawnSymbolEngine final : public QIconEngine {
public:
    explicit DrawnSymbolEngine(Symbol symbol)
        : m_symbol(symbol) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = QApplication::palette();
        QColor color = palette.color(QPalette::Active, QPalette::WindowText);
        if (mode == QIcon::Disabled)
            color = palette.color(QPalette::Disabled, QPalette::WindowText);
        else if (mode == QIcon::Selected)
            color = palette.color(QPalette::Active, QPalette::HighlightedText);
        paintSymbol(*painter, m_symbol, rect, color);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QIconEngine *clone() const override { return new DrawnSymbolEngine(m_symbol); }
    QString key() const override { return QStringLiteral("orsenta-symbol"); }
    QString iconName() override { return symbolName(m_symbol); }

private:
    Symbol m_symbol;
};

} // namespace

QString symbolName(Symbol symbol) {
    return QString::fromLatin1(names.at(std::size_t(symbol)).own);
}

QString themeIconName(Symbol symbol) {
    return QString::fromLatin1(names.at(std::size_t(symbol)).theme);
}

QIcon drawnSymbol(Symbol symbol) {
    return QIcon(new DrawnSymbolEngine(symbol));
}

QIcon symbol(Symbol symbol) {
    const QString theme = themeIconName(symbol);
    if (!theme.isEmpty() && QIcon::hasThemeIcon(theme))
        return QIcon::fromTheme(theme);
    return drawnSymbol(symbol);
}

void paintSymbol(QPainter &painter, Symbol symbol, const QRectF &rect, const QColor &color) {
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    const Shape shape = shapeOf(symbol);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / grid, side / grid);
    if (!shape.filled.isEmpty())
        painter.fillPath(shape.filled, color);
    if (!shape.stroked.isEmpty()) {
        QPen pen(color, strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.strokePath(shape.stroked, pen);
    }
    painter.restore();
}

} // namespace orsenta
