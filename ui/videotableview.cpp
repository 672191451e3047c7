// SPDX-License-Identifier: GPL-3.0-or-later
#include "videotableview.h"

#include "model/sortorder.h"
#include "thumbnailloader.h"
#include "videocelldelegate.h"
#include "videocontextmenu.h"
#include "videotablemodel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTimer>

#include <algorithm>
#include <array>

namespace orsenta {

namespace {

using Column = VideoTableModel::Column;

constexpr std::array<VideoTableView::ColumnWidth, int(Column::Count)> columnWidths{{
    {260, 400},
    {96, 110},
    {64, 76},
    {80, 92},
    {100, 124},
}};

constexpr std::array<VideoSortColumn, int(Column::Count)> sortColumns{
    VideoSortColumn::name,       VideoSortColumn::size,         VideoSortColumn::duration,
    VideoSortColumn::resolution, VideoSortColumn::creationDate,
};

// Names start A to Z; sizes, durations, resolutions and dates start largest or newest first.
SortDirection firstClickDirection(VideoSortColumn column) {
    return column == VideoSortColumn::name ? SortDirection::forward : SortDirection::reverse;
}

int sectionOf(VideoSortColumn column) {
    const auto found = std::find(sortColumns.begin(), sortColumns.end(), column);
    return int(found - sortColumns.begin());
}

// Qt's header shows ascending order with an arrow pointing down; this one points up for A to Z
// and smallest or oldest first, and down for largest or newest first, as GNOME and macOS do.
class SortArrowHeader : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        if (option->sortIndicator == QStyleOptionHeader::SortUp)
            option->sortIndicator = QStyleOptionHeader::SortDown;
        else if (option->sortIndicator == QStyleOptionHeader::SortDown)
            option->sortIndicator = QStyleOptionHeader::SortUp;
    }
};

} // namespace

VideoTableView::ColumnWidth VideoTableView::columnLimits(int column) {
    return columnWidths.at(std::size_t(column));
}

VideoTableView::VideoTableView(VideoListViewModel *model, QWidget *parent)
    : QTableView(parent)
    , m_model(model)
    , m_tableModel(new VideoTableModel(model, this))
    , m_thumbnails(new ThumbnailLoader(model->service(), m_tableModel, this))
    , m_delegate(new VideoCellDelegate(m_tableModel, m_thumbnails, this)) {
    m_tableModel->setThumbnailSource([loader = QPointer(m_thumbnails)](const VideoItem &record) {
        return loader ? loader->image(record) : QImage();
    });
    setModel(m_tableModel);
    setItemDelegate(m_delegate);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(ThumbnailLoader::frameSize);
    setTextElideMode(Qt::ElideMiddle);

    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(VideoCellDelegate::rowHeight);
    rows->setDefaultSectionSize(VideoCellDelegate::rowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    setHorizontalHeader(new SortArrowHeader(Qt::Horizontal, this));
    QHeaderView *columns = horizontalHeader();
    columns->setHighlightSections(false);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(columnWidths[int(Column::duration)].minimum);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < int(Column::Count); ++column)
        columns->resizeSection(column, columnWidths.at(std::size_t(column)).ideal);
    connect(columns, &QHeaderView::sectionClicked, this, &VideoTableView::sortBySection);
    connect(columns, &QHeaderView::sectionResized, this,
            [this](int section, int, int newSize) { keepMinimumWidth(section, newSize); });

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &VideoTableView::writeSelection);
    connect(model, &VideoListViewModel::selectedIDsChanged, this, &VideoTableView::readSelection);
    connect(model, &VideoListViewModel::tableSortOrderChanged, this,
            &VideoTableView::showSortIndicator);
    connect(m_tableModel, &VideoTableModel::rowSetReplaced, this, [this] {
        // A new row set starts at the top, without the old rows' thumbnails.
        m_thumbnails->clear();
        scrollToTop();
        readSelection();
    });
    connect(m_thumbnails, &ThumbnailLoader::imageArrived, this, [this](const QString &identifier) {
        // Loads run only for rows on screen, so the record is looked for there alone.
        const int first = rowAt(0);
        int last = rowAt(viewport()->height() - 1);
        if (last < 0)
            last = m_tableModel->rowCount() - 1;
        for (int row = std::max(first, 0); first >= 0 && row <= last; ++row)
            if (m_tableModel->item(row).localIdentifier() == identifier)
                m_tableModel->thumbnailChanged(row);
    });
    connect(m_delegate, &VideoCellDelegate::fadeInProgress, this, [this](const QModelIndex &index) {
        const QPersistentModelIndex cell(index);
        QTimer::singleShot(16, this, [this, cell] {
            if (cell.isValid())
                viewport()->update(visualRect(cell));
        });
    });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { preview(index.row()); });

    showSortIndicator();
    readSelection();
}

VideoTableView::~VideoTableView() = default;

void VideoTableView::paintEvent(QPaintEvent *event) {
    // Thumbnails follow what is on screen: the rows about to be painted load, others stop.
    const int first = rowAt(0);
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = m_tableModel->rowCount() - 1;
    m_thumbnails->setVisibleRows(first, first < 0 ? -1 : last, devicePixelRatioF());
    QTableView::paintEvent(event);
}

void VideoTableView::resizeEvent(QResizeEvent *event) {
    QTableView::resizeEvent(event);
    fitNameColumn();
}

// The name column takes the room the others leave, never less than its minimum.
void VideoTableView::fitNameColumn() {
    int others = 0;
    for (int column = 1; column < int(Column::Count); ++column)
        others += horizontalHeader()->sectionSize(column);
    const int room = viewport()->width() - others;
    horizontalHeader()->resizeSection(int(Column::video), std::max(columnWidths[0].minimum, room));
}

void VideoTableView::keepMinimumWidth(int section, int newSize) {
    const int minimum = columnWidths.at(std::size_t(section)).minimum;
    if (newSize < minimum)
        horizontalHeader()->resizeSection(section, minimum);
}

void VideoTableView::writeSelection() {
    if (m_syncingSelection || !m_model)
        return;
    QSet<QString> identifiers;
    const QModelIndexList rows = selectionModel()->selectedRows();
    identifiers.reserve(rows.size());
    for (const QModelIndex &row : rows)
        identifiers.insert(m_tableModel->item(row.row()).localIdentifier());
    m_syncingSelection = true;
    m_model->setSelectedIDs(std::move(identifiers));
    m_syncingSelection = false;
}

void VideoTableView::readSelection() {
    if (m_syncingSelection || !m_model)
        return;
    std::vector<int> rows;
    rows.reserve(std::size_t(m_model->selectedIDs().size()));
    for (const QString &identifier : m_model->selectedIDs())
        if (const int row = m_tableModel->row(identifier); row >= 0)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    const int lastColumn = m_tableModel->columnCount() - 1;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1)
            ++end;
        selection.select(m_tableModel->index(rows[i], 0),
                         m_tableModel->index(rows[end], lastColumn));
        i = end + 1;
    }
    m_syncingSelection = true;
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_syncingSelection = false;
}

void VideoTableView::sortBySection(int section) {
    if (!m_model || section < 0 || section >= int(Column::Count))
        return;
    const VideoSortColumn column = sortColumns.at(std::size_t(section));
    QList<VideoTableSortComparator> descriptors = m_model->tableSortOrder();
    VideoTableSortComparator chosen{column, firstClickDirection(column)};
    if (!descriptors.isEmpty() && descriptors.front().column == column)
        chosen.order = descriptors.front().order == SortDirection::forward ? SortDirection::reverse
                                                                           : SortDirection::forward;
    descriptors.removeIf(
        [column](const VideoTableSortComparator &entry) { return entry.column == column; });
    descriptors.prepend(chosen);
    m_model->setTableSortOrder(std::move(descriptors));
    // The header flips its own arrow on a click; the view model's order is what it must show.
    showSortIndicator();
}

void VideoTableView::showSortIndicator() {
    if (!m_model)
        return;
    const QList<VideoTableSortComparator> &descriptors = m_model->tableSortOrder();
    QHeaderView *columns = horizontalHeader();
    if (descriptors.isEmpty()) {
        columns->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    const VideoTableSortComparator &first = descriptors.front();
    // Forward is A to Z, small to large, old to new: the header's ascending arrow.
    columns->setSortIndicator(sectionOf(first.column), first.order == SortDirection::forward
                                                           ? Qt::AscendingOrder
                                                           : Qt::DescendingOrder);
}

void VideoTableView::preview(int row) {
    if (!m_model || row < 0 || row >= m_tableModel->rowCount())
        return;
    const std::vector<VideoItem> records =
        m_model->items(QSet<QString>{m_tableModel->item(row).localIdentifier()});
    if (!records.empty())
        m_model->setPreviewItem(records.front());
}

void VideoTableView::keyPressEvent(QKeyEvent *event) {
    // Space previews as in file managers; Ctrl+Space still toggles the row's selection.
    const bool space = event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier;
    if (space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The row the keyboard is on when it is selected, else the topmost selected row.
        const QModelIndex current = currentIndex();
        int row = -1;
        if (current.isValid() && selectionModel()->isRowSelected(current.row()))
            row = current.row();
        else if (const QModelIndexList selected = selectionModel()->selectedRows();
                 !selected.isEmpty())
            row = std::min_element(
                      selected.begin(), selected.end(),
                      [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); })
                      ->row();
        preview(row);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QSet<QString> VideoTableView::contextIdentifiers(const QPoint &position) const {
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return {};
    if (selectionModel()->isRowSelected(index.row()) && m_model)
        return m_model->selectedIDs();
    return {m_tableModel->item(index.row()).localIdentifier()};
}

VideoContextMenu *VideoTableView::makeContextMenu(const QPoint &position) {
    if (!m_model)
        return nullptr;
    return new VideoContextMenu(m_model, contextIdentifiers(position), this);
}

void VideoTableView::contextMenuEvent(QContextMenuEvent *event) {
    VideoContextMenu *menu = makeContextMenu(event->pos());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

} // namespace orsenta
