// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table's rows: the view model's visible videos in the order it publishes them. A new row
// set is one model reset; a refresh of the same set changes rows in place, so that the view keeps
// its scroll position and selection.

#include "model/duplicates.h"
#include "model/videoitem.h"
#include "viewmodel/videolistviewmodel.h"

#include <QAbstractTableModel>
#include <QByteArrayView>
#include <QHash>
#include <QImage>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace orsenta {

class VideoTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Column { video, size, duration, resolution, created, Count };
    enum Role {
        // The raw value a column orders by: never parse the display text back.
        SortRole = Qt::UserRole,
        IdentifierRole,
    };
    // The thumbnail a row shows, or a null image for the placeholder.
    using ThumbnailSource = std::function<QImage(const VideoItem &)>;

    explicit VideoTableModel(VideoListViewModel *model, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    VideoListViewModel *viewModel() const { return m_model; }
    const std::vector<VideoItem> &rows() const { return m_rows; }
    const VideoItem &item(int row) const { return m_rows[std::size_t(row)]; }
    // The row of a record by its identifier; -1 when it is not shown. The first call after a
    // change indexes every row, so per-row callers look at the rows they have instead.
    int row(const QString &identifier) const;
    int row(QByteArrayView identifierKey) const;
    // The largest known size among the rows, 0 when none is known: the full width of the bars.
    std::int64_t peakBytes() const { return m_peakBytes; }
    // How many identical copies the record belongs with (itself included), when it has any.
    std::optional<std::int64_t> duplicateCount(const VideoItem &item) const;

    // A capsule drawn after a video's name, and read out with its description.
    struct Badge {
        enum class Kind { screenRecording, copies, keeper, checking, similar };
        Kind kind;
        QString text;
        friend bool operator==(const Badge &, const Badge &) = default;
    };
    // In the order drawn: a screen recording, its identical copies and why it is the one kept,
    // or, while the copy check runs, that its content is being read; then its similar copies
    // and why it is the one kept among them.
    std::vector<Badge> badges(const VideoItem &item) const;
    // "Kept: oldest": why the keeper of a group of identical copies stays.
    static QString keeperText(KeeperReason reason);
    // "Kept: largest picture": why the keeper of a group of similar videos stays.
    static QString similarKeeperText(SimilarKeeperReason reason);
    // "largest picture": the rule itself, for sentences that name the keeper.
    static QString similarKeeperReasonText(SimilarKeeperReason reason);

    void setThumbnailSource(ThumbnailSource source) { m_thumbnailSource = std::move(source); }
    // A thumbnail arrived for the record of this row: only its decoration changes.
    void thumbnailChanged(int row);

    // Takes a refresh of the visible list the view model published and has not yet been
    // applied; it is applied on the next turn of the event loop otherwise.
    void applyPendingUpdate();

Q_SIGNALS:
    // The rows were replaced by a new set (after endResetModel).
    void rowSetReplaced();

private:
    void replaceRows();
    void updateRows();
    void recomputePeak();
    void invalidateRowIndex() const { m_rowIndexStale = true; }

    QPointer<VideoListViewModel> m_model;
    std::vector<VideoItem> m_rows;
    std::int64_t m_peakBytes = 0;
    // Built on first use after a change: most row sets are never looked up by identifier.
    mutable QHash<QByteArrayView, int> m_rowByKey;
    mutable bool m_rowIndexStale = true;
    bool m_updatePending = false;
    // Whether the copy check ran when the badges were last drawn.
    bool m_checkingCopies = false;
    ThumbnailSource m_thumbnailSource;
};

} // namespace orsenta
