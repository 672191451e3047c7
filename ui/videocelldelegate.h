// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Draws the table's cells straight from the records: no widgets per row, nothing measured over
// all rows, texts made only for the rows being painted.

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QStyledItemDelegate>

namespace orsenta {

class ThumbnailLoader;
class VideoItem;
class VideoTableModel;

// The toolkit's semantic colours, taken from a palette.
struct CellColors {
    QColor primary;
    QColor secondary;
    QColor tertiary;
    QColor quaternaryFill;
    QColor accent;
    static CellColors from(const QPalette &palette, bool selected);
};

inline const QColor favoritePink{255, 45, 85};
inline const QColor duplicateOrange{255, 149, 0};
inline const QColor keeperGreen{40, 160, 70};
inline const QColor similarPurple{150, 90, 210};

class VideoCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 46;
    static constexpr int horizontalPadding = 6;

    VideoCellDelegate(VideoTableModel *model, ThumbnailLoader *thumbnails,
                      QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The filled share of a size bar: bytes / peak, raised to 2 %; none without a peak.
    static std::optional<double> barFraction(std::optional<std::int64_t> bytes,
                                             std::int64_t peakBytes);

Q_SIGNALS:
    // A thumbnail is fading in; the cell wants another frame soon.
    void fadeInProgress(const QModelIndex &index) const;

private:
    void paintName(QPainter &painter, const QStyleOptionViewItem &option, const VideoItem &record,
                   const CellColors &colors) const;
    void paintThumbnail(QPainter &painter, const QRectF &frame, const QModelIndex &index,
                        const VideoItem &record, const CellColors &colors) const;
    void paintSize(QPainter &painter, const QStyleOptionViewItem &option, const VideoItem &record,
                   const CellColors &colors) const;
    void paintResolution(QPainter &painter, const QStyleOptionViewItem &option,
                         const VideoItem &record, const CellColors &colors) const;
    void paintText(QPainter &painter, const QStyleOptionViewItem &option, const QString &text,
                   const QColor &color, Qt::Alignment alignment) const;

    QPointer<VideoTableModel> m_model;
    QPointer<ThumbnailLoader> m_thumbnails;
};

} // namespace orsenta
