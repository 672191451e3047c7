// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table of the visible videos: a drawing of the view model's list, selection and sort. It
// writes the selection to selectedIDs and header clicks to tableSortOrder; the view model decides
// the order, the table never reorders rows itself.

#include "viewmodel/videolistviewmodel.h"

#include <QPointer>
#include <QSet>
#include <QString>
#include <QTableView>

namespace orsenta {

class ThumbnailLoader;
class VideoCellDelegate;
class VideoContextMenu;
class VideoTableModel;

class VideoTableView : public QTableView {
    Q_OBJECT
public:
    explicit VideoTableView(VideoListViewModel *model, QWidget *parent = nullptr);
    ~VideoTableView() override;

    VideoTableModel *tableModel() const { return m_tableModel; }
    ThumbnailLoader *thumbnailLoader() const { return m_thumbnails; }

    // The identifiers a right click at `position` (viewport coordinates) acts on: the selection
    // when the click is inside it, the clicked row alone otherwise, and the empty set (which
    // stands for the selection) when it hits no row.
    QSet<QString> contextIdentifiers(const QPoint &position) const;
    // The menu for a right click at `position`; the caller owns it.
    VideoContextMenu *makeContextMenu(const QPoint &position);

    struct ColumnWidth {
        int minimum;
        int ideal;
    };
    static ColumnWidth columnLimits(int column);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void writeSelection();
    void readSelection();
    void sortBySection(int section);
    void showSortIndicator();
    void preview(int row);
    void fitNameColumn();
    void keepMinimumWidth(int section, int newSize);

    QPointer<VideoListViewModel> m_model;
    VideoTableModel *m_tableModel = nullptr;
    ThumbnailLoader *m_thumbnails = nullptr;
    VideoCellDelegate *m_delegate = nullptr;
    // Set while one side of the selection follows the other, so it does not echo back.
    bool m_syncingSelection = false;
};

} // namespace orsenta
