// SPDX-License-Identifier: GPL-3.0-or-later
// The table widget driven as a person would: clicks and keys on rows and headers, the context
// menu's entries, and thumbnails that load only for rows on screen and only for their record.

#include "ui/thumbnailloader.h"
#include "ui/videocontextmenu.h"
#include "ui/videotablemodel.h"
#include "ui/videotableview.h"
#include "uitestfixture.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>

using namespace orsenta;
using namespace orsenta::test;

Q_DECLARE_METATYPE(orsenta::VideoTableSortComparator)

namespace {

using Column = VideoTableModel::Column;

struct Table {
    ViewModelFixture f;
    std::unique_ptr<VideoTableView> view;

    // Shown offscreen, tall enough for `visibleRows` rows below the header.
    [[nodiscard]] bool show(int visibleRows = 8) {
        view = std::make_unique<VideoTableView>(&f.vm);
        view->resize(900, view->horizontalHeader()->sizeHint().height() + 46 * visibleRows + 2
                              + view->horizontalScrollBar()->sizeHint().height());
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }
    int row(const char *id) const { return view->tableModel()->row(QString::fromLatin1(id)); }
    QPoint center(const char *id) const {
        return view->visualRect(view->tableModel()->index(row(id), int(Column::size))).center();
    }
    void click(const char *id, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, center(id));
    }
    QStringList selectedRows() const {
        QStringList ids;
        for (const QModelIndex &index : view->selectionModel()->selectedRows())
            ids.append(index.data(VideoTableModel::IdentifierRole).toString());
        ids.sort();
        return ids;
    }
    void paint() { view->viewport()->repaint(); }
    QString previewed() const {
        return f.vm.previewItem() ? f.vm.previewItem()->localIdentifier() : QString();
    }
};

// Whether the sort arrow drawn at the right end of the section points down: its widest row of
// ink is above its middle.
bool arrowPointsDown(QHeaderView *header, int section) {
    const QImage image = header->grab().toImage();
    const int right = header->sectionViewportPosition(section) + header->sectionSize(section) - 3;
    const QColor background = image.pixelColor(right, 2);
    int widestRow = -1;
    int widest = 0;
    int inkTop = image.height();
    int inkBottom = -1;
    for (int y = 2; y < image.height() - 2; ++y) {
        int ink = 0;
        for (int x = right - 16; x < right; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.lightness() - background.lightness()) > 60)
                ++ink;
        }
        if (ink > 0) {
            inkTop = std::min(inkTop, y);
            inkBottom = std::max(inkBottom, y);
        }
        if (ink > widest) {
            widest = ink;
            widestRow = y;
        }
    }
    return inkBottom > inkTop && widestRow < (inkTop + inkBottom) / 2.0;
}

QStringList sorted(QSet<QString> set) {
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

// The menu's entries top to bottom: "—" for a divider, " (off)" after a disabled entry.
QStringList entriesOf(QMenu &menu) {
    QStringList entries;
    for (QAction *action : menu.actions())
        entries.append((action->isSeparator() ? u"—"_qs : action->text())
                       + (action->isEnabled() ? QString() : u" (off)"_qs));
    return entries;
}

// Triggers the menu's entry called `text`; false, rather than a crash, when it has none.
bool trigger(QMenu &menu, const QString &text) {
    for (QAction *action : menu.actions())
        if (action->text() == text) {
            action->trigger();
            return true;
        }
    return false;
}

} // namespace

class TestVideoTableView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Rows at their fixed height and columns at their ideal widths; read from the painted table:
    // bars as wide as their share of the largest size, none for an unknown size, and the pink
    // heart only on the favourite.
    void theTableDrawsRowsBarsAndHearts() {
        Table t;
        t.f.add({bareAsset(u"e"_qs)});
        QVERIFY(scanFour(t.f));
        t.f.vm.toggleFavorite(t.f.records({"a"}));
        QVERIFY(t.f.acted());
        QVERIFY(t.show());
        QCOMPARE(t.view->model()->rowCount(), 5);
        QCOMPARE(t.view->rowHeight(0), 46);
        QVERIFY(t.view->alternatingRowColors());
        QCOMPARE(t.view->selectionMode(), QAbstractItemView::ExtendedSelection);
        for (int column = 1; column < int(Column::Count); ++column)
            QCOMPARE(t.view->columnWidth(column), VideoTableView::columnLimits(column).ideal);
        QVERIFY(t.view->columnWidth(0) >= VideoTableView::columnLimits(0).minimum);
        QCoreApplication::sendPostedEvents();
        const QImage shot = t.view->viewport()->grab().toImage();
        const auto count = [&](const char *id, Column column, auto &&matches) {
            const QRect cell =
                t.view->visualRect(t.view->tableModel()->index(t.row(id), int(column)));
            int found = 0;
            int leftmost = cell.right();
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (matches(shot.pixelColor(x, y))) {
                        ++found;
                        leftmost = std::min(leftmost, x);
                    }
            // The share of the cell's drawn width, from its trailing edge, that holds matches.
            const double share =
                found ? double(cell.right() - 6 - leftmost) / (cell.width() - 12) : 0.0;
            return std::pair(found, share);
        };
        const auto bar = [](const QColor &c) { return c.blue() - c.red() > 40; };
        const auto pink = [](const QColor &c) {
            return c.red() > 200 && c.red() - c.green() > 120 && c.blue() < 160;
        };
        QVERIFY(count("d", Column::size, bar).second > 0.95);
        QVERIFY(qAbs(count("a", Column::size, bar).second - 500.0 / 900) < 0.05);
        QVERIFY(qAbs(count("b", Column::size, bar).second - 200.0 / 900) < 0.05);
        QCOMPARE(count("e", Column::size, bar).first, 0);
        QVERIFY(count("a", Column::video, pink).first > 0);
        QCOMPARE(count("d", Column::video, pink).first, 0);
    }

    void theSelectionGoesBothWaysAndSurvivesChanges() {
        Table t;
        QVERIFY(scanFour(t.f));
        QVERIFY(t.show());
        t.click("a");
        QCOMPARE(sorted(t.f.vm.selectedIDs()), QStringList{u"a"_qs});
        t.click("c", Qt::ControlModifier);
        QCOMPARE(sorted(t.f.vm.selectedIDs()), (QStringList{u"a"_qs, u"c"_qs}));
        QCOMPARE(t.f.vm.selectionStats().count, 2);
        t.click("c", Qt::ControlModifier);
        QCOMPARE(sorted(t.f.vm.selectedIDs()), QStringList{u"a"_qs});

        t.f.vm.setSelectedIDs(t.f.ids({"b", "d"}));
        QCOMPARE(t.selectedRows(), (QStringList{u"b"_qs, u"d"_qs}));
        t.f.vm.setSelectedIDs({});
        QCOMPARE(t.selectedRows(), QStringList());
        // Identifiers that are not shown select nothing and stay in the view model.
        t.f.vm.setSearchText(u"alpha"_qs);
        t.f.vm.setSelectedIDs(t.f.ids({"a", "b"}));
        QCOMPARE(t.selectedRows(), QStringList{u"a"_qs});
        QCOMPARE(sorted(t.f.vm.selectedIDs()), (QStringList{u"a"_qs, u"b"_qs}));

        // The selection survives a refresh and a new row set.
        t.f.vm.setSearchText({});
        t.click("a");
        t.click("c", Qt::ControlModifier);
        t.view->verticalScrollBar()->setValue(0);
        t.f.vm.toggleFavorite(t.f.records({"c"}));
        QVERIFY(t.f.acted());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(t.selectedRows(), (QStringList{u"a"_qs, u"c"_qs}));
        // Rows leaving around the selection move it with its records; the view model takes
        // outside changes once its own change is past.
        t.f.clock->advance(std::chrono::seconds(3));
        t.f.changeOutside({"d", "b"});
        QCoreApplication::sendPostedEvents();
        QCOMPARE(identifiersOf(t.view->tableModel()->rows()), (QStringList{u"a"_qs, u"c"_qs}));
        QCOMPARE(t.selectedRows(), (QStringList{u"a"_qs, u"c"_qs}));
        QCOMPARE(sorted(t.f.vm.selectedIDs()), (QStringList{u"a"_qs, u"c"_qs}));
        t.f.vm.setSearchText(u"a"_qs);
        QCOMPARE(t.selectedRows(), (QStringList{u"a"_qs, u"c"_qs}));
        QCOMPARE(sorted(t.f.vm.selectedIDs()), (QStringList{u"a"_qs, u"c"_qs}));
    }

    // The first click on a header starts in that column's own direction; a second one flips it.
    void headerClicksWriteTheSortOrder_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("indicator");
        const auto row = [](const char *name, QList<Column> clicks, VideoSortOrder order,
                            Qt::SortOrder indicator) {
            QList<int> sections;
            for (Column column : clicks)
                sections.append(int(column));
            QTest::newRow(name) << sections << int(order) << int(indicator);
        };
        using O = VideoSortOrder;
        row("size while largest first gives smallest first", {Column::size}, O::sizeAsc,
            Qt::AscendingOrder);
        row("name starts A to Z", {Column::video}, O::nameAsc, Qt::AscendingOrder);
        row("name twice is Z to A", {Column::video, Column::video}, O::nameDesc,
            Qt::DescendingOrder);
        row("duration starts longest first", {Column::duration}, O::durationDesc,
            Qt::DescendingOrder);
        row("resolution starts largest first", {Column::resolution}, O::resolutionDesc,
            Qt::DescendingOrder);
        row("created starts newest first", {Column::created}, O::creationDateDesc,
            Qt::DescendingOrder);
        row("created twice is oldest first", {Column::created, Column::created}, O::creationDateAsc,
            Qt::AscendingOrder);
    }
    void headerClicksWriteTheSortOrder() {
        QFETCH(QList<int>, clicks);
        QFETCH(int, order);
        QFETCH(int, indicator);
        Table t;
        QVERIFY(scanFour(t.f));
        QVERIFY(t.show());
        QCOMPARE(t.f.vm.sortOrder(), VideoSortOrder::sizeDesc);
        QHeaderView *header = t.view->horizontalHeader();
        for (int section : clicks) {
            const QPoint at(header->sectionViewportPosition(section) + 20, header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(int(t.f.vm.sortOrder()), order);
        const VideoTableSortComparator first = t.f.vm.tableSortOrder().front();
        QCOMPARE(first, tableComparator(VideoSortOrder(order)));
        QCOMPARE(header->sortIndicatorSection(), clicks.back());
        QCOMPARE(int(header->sortIndicatorOrder()), indicator);
        // The rows come in the order the view model publishes.
        QCOMPARE(identifiersOf(t.view->tableModel()->rows()), identifiersOf(t.f.vm.visibleItems()));
    }

    void theSortIndicatorFollowsTheViewModel() {
        Table t;
        QVERIFY(scanFour(t.f));
        QVERIFY(t.show());
        QHeaderView *header = t.view->horizontalHeader();
        // Largest first: the arrow points down; smallest first: up.
        QVERIFY(arrowPointsDown(header, int(Column::size)));
        t.f.vm.setSortOrder(VideoSortOrder::sizeAsc);
        QVERIFY(!arrowPointsDown(header, int(Column::size)));

        t.f.vm.setSortOrder(VideoSortOrder::nameDesc);
        QCOMPARE(header->sortIndicatorSection(), int(Column::video));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(arrowPointsDown(header, int(Column::video)));
    }

    void theContextMenuActsOnTheClickedRowsOrTheSelection_data() {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QString>("clicked"); // empty: on no row
        QTest::addColumn<QStringList>("favorites");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QStringList>("entries");
        // Lists are written as "a|b"; the menu's entries as entriesOf() reads them.
        const auto row = [](const char *name, const char *selection, const char *clicked,
                            const char *favorites, bool busy, const char *entries) {
            const auto list = [](const char *text) {
                return QString::fromUtf8(text).split(u'|', Qt::SkipEmptyParts);
            };
            QTest::newRow(name) << list(selection) << QString::fromLatin1(clicked)
                                << list(favorites) << busy << list(entries);
        };
        row("one unselected row, with others selected", "a|b", "d", "", false,
            "Preview|Show in Files|—|Copy Name|Add to Favorites|Save a Copy…|—|Move to Trash");
        row("inside a selection of three", "a|b|c", "b", "", false,
            "Copy Names|Add to Favorites|Save Copies…|—|Move to Trash");
        row("three favourites remove", "a|b|c", "a", "a|b|c", false,
            "Copy Names|Remove from Favorites|Save Copies…|—|Move to Trash");
        row("two favourites and one other add", "a|b|c", "c", "a|b", false,
            "Copy Names|Add to Favorites|Save Copies…|—|Move to Trash");
        row("nothing clicked and nothing selected", "", "", "", false,
            "Copy Names (off)|Remove from Favorites (off)|Save Copies… (off)|—|"
            "Move to Trash (off)");
        row("changes are locked during an action", "", "a", "", true,
            "Preview|Show in Files|—|Copy Name|Add to Favorites (off)|Save a Copy… (off)|—|"
            "Move to Trash (off)");
    }
    void theContextMenuActsOnTheClickedRowsOrTheSelection() {
        QFETCH(QStringList, selection);
        QFETCH(QString, clicked);
        QFETCH(QStringList, favorites);
        QFETCH(bool, busy);
        QFETCH(QStringList, entries);
        Table t;
        QVERIFY(scanFour(t.f));
        if (!favorites.isEmpty()) {
            std::vector<VideoItem> records =
                t.f.vm.items(QSet<QString>(favorites.begin(), favorites.end()));
            t.f.vm.toggleFavorite(records);
            QVERIFY(t.f.acted());
        }
        QVERIFY(t.show(6));
        t.f.vm.setSelectedIDs(QSet<QString>(selection.begin(), selection.end()));
        if (busy) {
            // A held favourite change keeps an action running while the menu opens.
            t.f.platform->setDelivery(MemoryPlatform::Delivery::held);
            t.f.vm.toggleFavorite(t.f.records({"d"}));
            QVERIFY(t.f.vm.isPerformingItemAction());
            QVERIFY(QTest::qWaitFor([&t] { return t.f.platform->heldCount() > 0; }));
        }
        const QPoint at = clicked.isEmpty() ? QPoint(10, t.view->viewport()->height() - 5)
                                            : t.center(clicked.toLatin1().constData());
        std::unique_ptr<VideoContextMenu> menu(t.view->makeContextMenu(at));
        QVERIFY(menu);
        QCOMPARE(entriesOf(*menu), entries);
        if (busy) {
            t.f.platform->setDelivery(MemoryPlatform::Delivery::immediate);
            t.f.platform->releaseHeld();
            QVERIFY(t.f.acted());
        }
    }

    void doubleClickReturnAndMenuEntriesCallTheViewModel() {
        Table t;
        QVERIFY(scanFour(t.f));
        QVERIFY(t.show());
        // A double click is a press and release followed by the second press.
        QTest::mousePress(t.view->viewport(), Qt::LeftButton, {}, t.center("b"));
        QTest::mouseDClick(t.view->viewport(), Qt::LeftButton, {}, t.center("b"));
        QCOMPARE(t.previewed(), u"b"_qs);
        t.f.vm.setPreviewItem(std::nullopt);
        t.click("d");
        QTest::keyClick(t.view.get(), Qt::Key_Return);
        QCOMPARE(t.previewed(), u"d"_qs);
        t.f.vm.setPreviewItem(std::nullopt);
        t.f.vm.setSelectedIDs({});
        QTest::keyClick(t.view.get(), Qt::Key_Return);
        QCOMPARE(t.f.vm.previewItem(), std::nullopt);

        std::unique_ptr<VideoContextMenu> menu(t.view->makeContextMenu(t.center("c")));
        QVERIFY(trigger(*menu, u"Preview"_qs));
        QCOMPARE(t.previewed(), u"c"_qs);
        QVERIFY(trigger(*menu, u"Copy Name"_qs));
        QCOMPARE(t.f.toolkit->clipboard.value_or(QString()), u"gamma"_qs);
        QVERIFY(trigger(*menu, u"Move to Trash"_qs));
        QVERIFY(t.f.vm.showDeleteConfirmation());
        QCOMPARE(sorted(t.f.vm.pendingDeletionIDs()), QStringList{u"c"_qs});
    }

    void thumbnailsLoadForRowsOnScreenOnly() {
        Table t;
        for (int i = 0; i < 30; ++i)
            t.f.add({pictured(video(u"v%1"_qs.arg(i, 2, 10, QChar(u'0')), 1000 + i))});
        QVERIFY(t.f.start());
        t.f.platform->setDelivery(MemoryPlatform::Delivery::held);
        QVERIFY(t.show(5));
        t.paint();
        ThumbnailLoader *loader = t.view->thumbnailLoader();
        const int first = t.view->rowAt(0);
        const int last = t.view->rowAt(t.view->viewport()->height() - 1);
        QCOMPARE(first, 0);
        QCOMPARE(loader->pendingCount(), last - first + 1);
        QVERIFY(QTest::qWaitFor([&] { return t.f.platform->heldCount() == last - first + 1; }));
        for (const auto &request : t.f.platform->imageRequestLog()) {
            QVERIFY(t.row(request.localIdentifier.toLatin1().constData()) <= last);
            QCOMPARE(request.targetWidth, 64.0 * t.view->devicePixelRatioF());
            QCOMPARE(request.targetHeight, 40.0 * t.view->devicePixelRatioF());
        }

        // Scrolled away before the images came: the loads stop and nothing lands.
        const QString topRow = t.view->tableModel()->item(0).localIdentifier();
        t.view->scrollToBottom();
        t.paint();
        QVERIFY(!loader->isPending(topRow));
        t.f.platform->setDelivery(MemoryPlatform::Delivery::immediate);
        t.f.platform->releaseHeld();
        QCoreApplication::processEvents();
        QVERIFY(loader->image(t.view->tableModel()->item(0)).isNull());

        // The rows now on screen get theirs as a decoration change, never as a reset.
        QSignalSpy reset(t.view->tableModel(), &QAbstractItemModel::modelReset);
        const int bottom = t.view->tableModel()->rowCount() - 1;
        const QModelIndex cell = t.view->tableModel()->index(bottom, int(Column::video));
        QVERIFY(QTest::qWaitFor([&] {
            t.paint();
            return !cell.data(Qt::DecorationRole).value<QImage>().isNull();
        }));
        QCOMPARE(reset.count(), 0);
        QCOMPARE(cell.data(Qt::DecorationRole).value<QImage>().pixelColor(5, 5), QColor(Qt::red));
        QVERIFY(cell.data(Qt::DecorationRole).value<QImage>().width() >= 64);
    }

    void aLateThumbnailNeverLandsOnAnotherRecord() {
        Table t;
        t.f.add({pictured(video(u"a"_qs, 900), Qt::red), pictured(video(u"b"_qs, 500), Qt::blue)});
        QVERIFY(t.f.start());
        t.f.platform->setDelivery(MemoryPlatform::Delivery::held);
        QVERIFY(t.show(4));
        t.paint();
        QVERIFY(QTest::qWaitFor([&] { return t.f.platform->heldCount() == 2; }));
        QSignalSpy changed(t.view->tableModel(), &QAbstractItemModel::dataChanged);

        // A new row set puts b where a was while a's image is on its way.
        t.f.vm.setSearchText(u"b"_qs);
        QCOMPARE(t.view->tableModel()->item(0).localIdentifier(), u"b"_qs);
        t.f.platform->setDelivery(MemoryPlatform::Delivery::immediate);
        t.f.platform->releaseHeld();
        QCoreApplication::processEvents();
        const QModelIndex cell = t.view->tableModel()->index(0, int(Column::video));
        QVERIFY(QTest::qWaitFor([&] {
            t.paint();
            return !cell.data(Qt::DecorationRole).value<QImage>().isNull();
        }));
        QCOMPARE(cell.data(Qt::DecorationRole).value<QImage>().pixelColor(5, 5), QColor(Qt::blue));
        for (const QList<QVariant> &signal : changed)
            QCOMPARE(signal[2].value<QList<int>>(), QList<int>{Qt::DecorationRole});
    }
};

ORSENTA_WIDGET_TEST_MAIN(TestVideoTableView)
#include "tst_videotableview.moc"
