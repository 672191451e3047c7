// SPDX-License-Identifier: GPL-3.0-or-later
#include "videocelldelegate.h"

#include "fonts.h"
#include "model/displaytext.h"
#include "symbols.h"
#include "thumbnailloader.h"
#include "videotablemodel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include <algorithm>

namespace orsenta {

namespace {

constexpr qreal nameSpacing = 8;
constexpr qreal thumbnailRadius = 4;
constexpr qreal badgeHorizontalPadding = 5;
constexpr qreal badgeVerticalPadding = 1;
constexpr qreal barHeight = 3;
constexpr qreal sizeSpacing = 3;
constexpr qreal orientationWidth = 14;
constexpr qreal resolutionSpacing = 5;
constexpr double barFloor = 0.02;

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

QFont caption(const QFont &base) {
    return scaledFont(base, 0.85);
}

QFont caption2(const QFont &base) {
    return scaledFont(base, 0.78);
}

struct Badge {
    QString text;
    QColor textColor;
    QColor fill;
};

qreal badgeWidth(const QFontMetricsF &metrics, const Badge &badge) {
    return metrics.horizontalAdvance(badge.text) + 2 * badgeHorizontalPadding;
}

} // namespace

CellColors CellColors::from(const QPalette &palette, bool selected) {
    const QColor text =
        palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
    return CellColors{
        .primary = text,
        .secondary = withAlpha(text, 0.62),
        .tertiary = withAlpha(text, 0.42),
        .quaternaryFill = withAlpha(palette.color(QPalette::Active, QPalette::Text), 0.1),
        .accent = selected ? text : palette.color(QPalette::Active, QPalette::Highlight),
    };
}

VideoCellDelegate::VideoCellDelegate(VideoTableModel *model, ThumbnailLoader *thumbnails,
                                     QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
    , m_thumbnails(thumbnails) {}

std::optional<double> VideoCellDelegate::barFraction(std::optional<std::int64_t> bytes,
                                                     std::int64_t peakBytes) {
    if (!bytes || peakBytes < 1)
        return std::nullopt;
    return std::clamp(double(*bytes) / double(peakBytes), barFloor, 1.0);
}

QSize VideoCellDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const {
    // Never measured per row: the view's rows have one fixed height.
    return QSize(0, rowHeight);
}

void VideoCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const {
    if (!m_model || !index.isValid() || index.row() >= m_model->rowCount())
        return;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);

    const VideoItem &record = m_model->item(index.row());
    const CellColors colors =
        CellColors::from(option.palette, option.state.testFlag(QStyle::State_Selected));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    switch (VideoTableModel::Column(index.column())) {
    case VideoTableModel::Column::video: {
        paintName(*painter, option, record, colors);
        const QRectF area = QRectF(option.rect).adjusted(horizontalPadding, 0, 0, 0);
        const QRectF frame(area.left(),
                           area.center().y() - ThumbnailLoader::frameSize.height() / 2.0,
                           ThumbnailLoader::frameSize.width(), ThumbnailLoader::frameSize.height());
        paintThumbnail(*painter, frame, index, record, colors);
        break;
    }
    case VideoTableModel::Column::size:
        paintSize(*painter, option, record, colors);
        break;
    case VideoTableModel::Column::duration:
        paintText(*painter, option, videoLengthText(record.duration()), colors.primary,
                  Qt::AlignRight | Qt::AlignVCenter);
        break;
    case VideoTableModel::Column::resolution:
        paintResolution(*painter, option, record, colors);
        break;
    case VideoTableModel::Column::created:
        paintText(*painter, option, shortDateText(record.creationDate()), colors.secondary,
                  Qt::AlignLeft | Qt::AlignVCenter);
        break;
    case VideoTableModel::Column::Count:
        break;
    }
    painter->restore();
}

void VideoCellDelegate::paintText(QPainter &painter, const QStyleOptionViewItem &option,
                                  const QString &text, const QColor &color,
                                  Qt::Alignment alignment) const {
    const QRectF area = QRectF(option.rect).adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    painter.setFont(option.font);
    painter.setPen(color);
    const QFontMetricsF metrics(option.font);
    painter.drawText(area, int(alignment), metrics.elidedText(text, Qt::ElideRight, area.width()));
}

void VideoCellDelegate::paintName(QPainter &painter, const QStyleOptionViewItem &option,
                                  const VideoItem &record, const CellColors &colors) const {
    const QRectF area = QRectF(option.rect).adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const qreal centerY = area.center().y();
    const QFont small = caption2(option.font);
    const QFontMetricsF smallMetrics(small);
    const QFontMetricsF metrics(option.font);

    std::vector<Badge> badges;
    for (VideoTableModel::Badge &badge : m_model->badges(record)) {
        using Kind = VideoTableModel::Badge::Kind;
        switch (badge.kind) {
        case Kind::screenRecording:
        case Kind::checking:
            badges.push_back({std::move(badge.text), colors.secondary, colors.quaternaryFill});
            break;
        case Kind::copies:
            badges.push_back(
                {std::move(badge.text), duplicateOrange, withAlpha(duplicateOrange, 0.15)});
            break;
        case Kind::keeper:
            badges.push_back({std::move(badge.text), keeperGreen, withAlpha(keeperGreen, 0.15)});
            break;
        case Kind::similar:
            badges.push_back(
                {std::move(badge.text), similarPurple, withAlpha(similarPurple, 0.15)});
            break;
        }
    }
    const qreal heartSide = record.isFavorite() ? smallMetrics.height() : 0;

    qreal trailing = 0;
    if (record.isFavorite())
        trailing += nameSpacing + heartSide;
    for (const Badge &badge : badges)
        trailing += nameSpacing + badgeWidth(smallMetrics, badge);

    qreal x = area.left() + ThumbnailLoader::frameSize.width() + nameSpacing;
    const qreal nameRoom = std::max<qreal>(0, area.right() - x - trailing);
    const QString name = metrics.elidedText(record.displayName(), Qt::ElideMiddle, nameRoom);
    painter.setFont(option.font);
    painter.setPen(colors.primary);
    painter.drawText(QRectF(x, area.top(), nameRoom, area.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
    x += metrics.horizontalAdvance(name);

    if (record.isFavorite()) {
        x += nameSpacing;
        paintSymbol(painter, Symbol::heartFill,
                    QRectF(x, centerY - heartSide / 2, heartSide, heartSide), favoritePink);
        x += heartSide;
    }
    painter.setFont(small);
    for (const Badge &badge : badges) {
        x += nameSpacing;
        const qreal width = badgeWidth(smallMetrics, badge);
        if (x + width > area.right())
            break;
        const qreal height = smallMetrics.height() + 2 * badgeVerticalPadding;
        const QRectF capsule(x, centerY - height / 2, width, height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(badge.fill);
        painter.drawRoundedRect(capsule, height / 2, height / 2);
        painter.setPen(badge.textColor);
        painter.drawText(capsule, Qt::AlignCenter, badge.text);
        x += width;
    }
}

void VideoCellDelegate::paintThumbnail(QPainter &painter, const QRectF &frame,
                                       const QModelIndex &index, const VideoItem &record,
                                       const CellColors &colors) const {
    QPainterPath clip;
    clip.addRoundedRect(frame, thumbnailRadius, thumbnailRadius);
    painter.save();
    painter.setClipPath(clip);
    painter.fillRect(frame, colors.quaternaryFill);
    const QImage image = m_thumbnails ? m_thumbnails->image(record) : QImage();
    if (!image.isNull()) {
        // Aspect fill: the frame's clip cuts off what overflows.
        const qreal scale =
            std::max(frame.width() / image.width(), frame.height() / image.height());
        const QSizeF shown(frame.width() / scale, frame.height() / scale);
        const QRectF source((image.width() - shown.width()) / 2,
                            (image.height() - shown.height()) / 2, shown.width(), shown.height());
        const qreal opacity = m_thumbnails->opacity(record);
        painter.setOpacity(opacity);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(frame, image, source);
        if (opacity < 1)
            Q_EMIT fadeInProgress(index);
    } else {
        const qreal side = QFontMetricsF(caption(QApplication::font())).height();
        const QRectF symbolRect(frame.center().x() - side / 2, frame.center().y() - side / 2, side,
                                side);
        paintSymbol(painter,
                    record.isScreenRecording() ? Symbol::rectangleOnRectangle : Symbol::film,
                    symbolRect, colors.secondary);
    }
    painter.restore();
}

void VideoCellDelegate::paintSize(QPainter &painter, const QStyleOptionViewItem &option,
                                  const VideoItem &record, const CellColors &colors) const {
    const QRectF area = QRectF(option.rect).adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const auto bytes = record.sizeState().knownBytes();
    const auto fraction = barFraction(bytes, m_model->peakBytes());
    const QFontMetricsF metrics(option.font);
    const qreal textHeight = metrics.height();
    const qreal blockHeight = fraction ? textHeight + sizeSpacing + barHeight : textHeight;
    const qreal top = area.center().y() - blockHeight / 2;

    painter.setFont(option.font);
    painter.setPen(bytes ? colors.primary : colors.secondary);
    painter.drawText(QRectF(area.left(), top, area.width(), textHeight),
                     Qt::AlignRight | Qt::AlignVCenter,
                     metrics.elidedText(sizeText(bytes), Qt::ElideRight, area.width()));
    if (!fraction)
        return;
    // The bar grows from the trailing edge, within a capsule across the whole cell.
    const QRectF bar(area.left(), top + textHeight + sizeSpacing, area.width(), barHeight);
    QPainterPath capsule;
    capsule.addRoundedRect(bar, barHeight / 2, barHeight / 2);
    const qreal filled = bar.width() * *fraction;
    painter.save();
    painter.setClipPath(capsule);
    painter.fillRect(QRectF(bar.right() - filled, bar.top(), filled, bar.height()),
                     withAlpha(colors.accent, 0.55));
    painter.restore();
}

void VideoCellDelegate::paintResolution(QPainter &painter, const QStyleOptionViewItem &option,
                                        const VideoItem &record, const CellColors &colors) const {
    QRectF area = QRectF(option.rect).adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const std::int64_t width = record.pixelWidth();
    const std::int64_t height = record.pixelHeight();
    if (width >= 1 && height >= 1) {
        const QRectF symbolRect(area.left(), area.center().y() - orientationWidth / 2,
                                orientationWidth, orientationWidth);
        paintSymbol(painter, width < height ? Symbol::rectanglePortrait : Symbol::rectangle,
                    symbolRect, colors.tertiary);
        area.setLeft(area.left() + orientationWidth + resolutionSpacing);
    }
    const QString label = resolutionLabel(width, height);
    const bool emphasized = label == QStringLiteral("4K");
    QFont font = option.font;
    if (emphasized)
        font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(emphasized ? colors.primary : colors.secondary);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(font).elidedText(label, Qt::ElideRight, area.width()));
}

} // namespace orsenta
