// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "detailviews.h"
#include "model/displaytext.h"
#include "sidebar.h"
#include "similarcompareview.h"
#include "symbols.h"
#include "videotablefactory.h"
#include "videotablemodel.h"
#include "viewmodel/videolistviewmodel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace orsenta {

namespace {

// Texts filed under the "MainWindow" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)
};

// The failure's own text, never read as markup.
QString verbatim(const QString &message) {
    return Qt::convertFromPlainText(message, Qt::WhiteSpaceNormal);
}

enum Page { tablePage, scanningPage, emptyPage };

// The folder whose permissions decide access: the first library folder, or its nearest parent
// that exists, where the file manager lets the user fix them.
QString libraryFolderToOpen() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    QFileInfo info(folder);
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    return info.exists() ? info.absoluteFilePath() : QString();
}

} // namespace

MainWindow::MainWindow(std::shared_ptr<platform::PhotoPlatform> platform,
                       std::shared_ptr<DesktopToolkit> toolkit, std::shared_ptr<Clock> clock,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_platform(std::move(platform))
    , m_toolkit(std::move(toolkit))
    , m_clock(std::move(clock)) {
    setWindowTitle(QStringLiteral("Orsenta"));
    resize(defaultSize);
    setMinimumSize(minimumContentSize);
    setUnifiedTitleAndToolBarOnMac(true);
    m_sidebarAction = new QAction(Text::tr("Show Sidebar"), this);
    m_sidebarAction->setCheckable(true);
    m_sidebarAction->setChecked(true);
    connect(m_sidebarAction, &QAction::toggled, this, [this](bool shown) {
        if (m_sidebar)
            m_sidebar->setVisible(shown);
    });
    m_undoAction = new QAction(Text::tr("Undo Move to Trash"), this);
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setEnabled(false);
    addAction(m_undoAction);
    connect(m_undoAction, &QAction::triggered, this, [this] {
        if (m_model)
            m_model->undoDeletion();
    });
    buildToolbar();
    auto *find = new QAction(Text::tr("Find"), this);
    find->setShortcut(QKeySequence::Find);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        if (!m_search->isEnabled())
            return;
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
}

MainWindow::~MainWindow() {
    if (m_model)
        m_model->stop();
}

void MainWindow::buildToolbar() {
    m_toolbar = addToolBar(Text::tr("Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto *spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolbar->addWidget(spacer);
    m_search = new QLineEdit;
    m_search->setPlaceholderText(Text::tr("Search by filename"));
    m_search->setAccessibleName(m_search->placeholderText());
    m_search->setClearButtonEnabled(true);
    m_search->setFixedWidth(260);
    m_search->setEnabled(false);
    m_toolbar->addWidget(m_search);
    m_scanAction = m_toolbar->addAction(symbol(Symbol::arrowClockwise), Text::tr("Scan"));
    m_scanAction->setEnabled(false);
    connect(m_search, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_model)
            m_model->setSearchText(text);
    });
    connect(m_scanAction, &QAction::triggered, this, [this] {
        if (!m_model)
            return;
        if (m_model->isScanning())
            m_model->cancelScan();
        else
            m_model->startScan();
    });
}

QWidget *MainWindow::buildDetail() {
    m_detail = new QWidget;
    auto *column = new QVBoxLayout(m_detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_banner = new ChangeBanner;
    m_conditionBanner = new ConditionBanner;
    m_stack = new QStackedWidget;
    m_table = makeVideoTable(m_model, m_stack);
    m_scanningBox = new ScanningBox;
    m_emptyState = new EmptyStateView;
    m_stack->insertWidget(tablePage, m_table);
    m_stack->insertWidget(scanningPage, m_scanningBox);
    m_stack->insertWidget(emptyPage, m_emptyState);
    m_selectionBar = new SelectionBar;
    column->addWidget(m_banner);
    column->addWidget(m_conditionBanner);
    column->addWidget(m_stack, 1);
    column->addWidget(m_selectionBar);

    connect(m_banner->rescanButton(), &QPushButton::clicked, this, [this] {
        if (m_model)
            m_model->startScan();
    });
    connect(m_selectionBar->deselectButton(), &QPushButton::clicked, this, [this] {
        if (m_model)
            m_model->setSelectedIDs({});
    });
    connect(m_selectionBar->deleteButton(), &QPushButton::clicked, this, [this] {
        if (m_model)
            m_model->requestDelete(m_model->selectedItems());
    });
    connect(m_emptyState->button(), &QPushButton::clicked, this, [this] {
        switch (placeholder()) {
        case Placeholder::noMatches:
            clearAllFilters(*m_model);
            break;
        case Placeholder::accessNeeded:
            openPrivacySettings();
            break;
        case Placeholder::noVideos:
            m_model->startScan();
            break;
        case Placeholder::none:
        case Placeholder::scanning:
            break;
        }
    });
    return m_detail;
}

void MainWindow::createModel() {
    m_model = new VideoListViewModel(m_platform, m_toolkit, m_clock, this);
    m_sidebar = new Sidebar(m_model);
    m_sidebar->setVisible(m_sidebarAction->isChecked());
    m_split = new QSplitter(Qt::Horizontal);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_sidebar);
    m_split->addWidget(buildDetail());
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({Sidebar::idealWidth, defaultSize.width() - Sidebar::idealWidth});
    setCentralWidget(m_split);
    // The window is already on screen: without this the new content would appear only on the
    // next turn of the event loop, after the model has been started.
    m_split->show();
    m_search->setEnabled(true);
    connectModel();
    Q_EMIT modelCreated(m_model);
}

void MainWindow::connectModel() {
    using VM = VideoListViewModel;
    VM *vm = m_model;
    connect(vm, &VM::searchTextChanged, this, &MainWindow::refreshSearch);
    for (auto signal : {&VM::isScanningChanged, &VM::isPerformingItemActionChanged}) {
        connect(vm, signal, this, &MainWindow::refreshScanButton);
        connect(vm, signal, this, &MainWindow::refreshBanner);
        connect(vm, signal, this, &MainWindow::refreshPlaceholder);
        connect(vm, signal, this, &MainWindow::refreshSelectionBar);
        connect(vm, signal, this, &MainWindow::refreshUndo);
    }
    connect(vm, &VM::canUndoDeletionChanged, this, &MainWindow::refreshUndo);
    for (auto signal : {&VM::visibleItemsChanged, &VM::authorizationStatusChanged})
        connect(vm, signal, this, &MainWindow::refreshPlaceholder);
    connect(vm, &VM::hasExternalChangesChanged, this, &MainWindow::refreshBanner);
    connect(vm, &VM::conditionTextChanged, this,
            [this] { m_conditionBanner->setText(m_model->conditionText()); });
    m_conditionBanner->setText(m_model->conditionText());
    connect(vm, &VM::selectionStatsChanged, this, &MainWindow::refreshSelectionBar);
    for (auto signal : {&VM::showDeleteConfirmationChanged, &VM::pendingDeletionIDsChanged})
        connect(vm, signal, this, &MainWindow::refreshConfirmation);
    connect(vm, &VM::errorMessageChanged, this, &MainWindow::refreshAlert);
    connect(vm, &VM::previewItemChanged, this, &MainWindow::refreshPreview);
    connect(vm, &VM::comparedGroupChanged, this, &MainWindow::refreshCompare);
    connect(m_sidebar, &Sidebar::selectExtraSimilarRequested, this,
            &MainWindow::confirmExtraSimilar);
    refreshSearch();
    refreshScanButton();
    refreshPlaceholder();
    refreshBanner();
    refreshSelectionBar();
    refreshConfirmation();
    refreshUndo();
    refreshAlert();
}

void MainWindow::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_model)
        createModel();
    Q_EMIT appeared();
    m_model->start();
}

void MainWindow::hideEvent(QHideEvent *event) {
    QMainWindow::hideEvent(event);
    // Minimising hides the window too, and must not stop the scan.
    if (!event->spontaneous() && m_model)
        m_model->stop();
}

void MainWindow::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    // The placeholder's symbol is drawn in the palette's colours.
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) && m_model)
        refreshPlaceholder();
}

// --- Reading the view model -------------------------------------------------------------------

MainWindow::Placeholder MainWindow::placeholder() const {
    if (!m_model)
        return Placeholder::none;
    if (m_model->isScanning() && m_model->items().empty())
        return Placeholder::scanning;
    if (!m_model->items().empty())
        return m_model->visibleItems().empty() ? Placeholder::noMatches : Placeholder::none;
    using Status = platform::AuthorizationStatus;
    const Status status = m_model->authorizationStatus();
    if (status == Status::restricted || status == Status::denied)
        return Placeholder::accessNeeded;
    return Placeholder::noVideos;
}

void MainWindow::refreshSearch() {
    if (m_search->text() != m_model->searchText())
        m_search->setText(m_model->searchText());
}

void MainWindow::refreshScanButton() {
    if (m_model->isScanning()) {
        m_scanAction->setText(Text::tr("Stop"));
        m_scanAction->setIcon(symbol(Symbol::stopFill));
        m_scanAction->setToolTip(Text::tr("Stop scanning"));
        m_scanAction->setEnabled(true);
    } else {
        m_scanAction->setText(Text::tr("Scan"));
        m_scanAction->setIcon(symbol(Symbol::arrowClockwise));
        m_scanAction->setToolTip(Text::tr("Rescan your video folders"));
        m_scanAction->setEnabled(!m_model->isPerformingItemAction());
    }
}

void MainWindow::refreshPlaceholder() {
    const bool busy = m_model->isScanning() || m_model->isPerformingItemAction();
    switch (placeholder()) {
    case Placeholder::none:
        m_stack->setCurrentIndex(tablePage);
        return;
    case Placeholder::scanning:
        m_stack->setCurrentIndex(scanningPage);
        return;
    case Placeholder::noMatches:
        m_emptyState->show(Symbol::line3HorizontalDecreaseCircle, Text::tr("No matches"),
                           Text::tr("No video matches the current search and size filter."),
                           Text::tr("Clear filters"));
        m_emptyState->button()->setEnabled(true);
        break;
    case Placeholder::accessNeeded:
        m_emptyState->show(Symbol::lockFill, Text::tr("Folder access needed"),
                           Text::tr("Orsenta needs to read your video folders. Let it read and "
                                    "write %1 in the file manager, then rescan.")
                               .arg(QDir::toNativeSeparators(libraryFolderToOpen())),
                           Text::tr("Open Folder"));
        m_emptyState->button()->setEnabled(true);
        break;
    case Placeholder::noVideos:
        m_emptyState->show(
            Symbol::videoSlash, Text::tr("No videos"),
            Text::tr("Your video folders have no videos, or they have not been scanned "
                     "yet."),
            Text::tr("Scan"));
        m_emptyState->button()->setEnabled(!busy);
        break;
    }
    m_stack->setCurrentIndex(emptyPage);
}

void MainWindow::refreshBanner() {
    m_banner->setVisible(m_model->hasExternalChanges() && !m_model->isScanning());
    m_banner->rescanButton()->setEnabled(!m_model->isScanning()
                                         && !m_model->isPerformingItemAction());
}

void MainWindow::refreshSelectionBar() {
    const SelectionStats &stats = m_model->selectionStats();
    m_selectionBar->setVisible(stats.count != 0);
    m_selectionBar->setStats(stats);
    m_selectionBar->deleteButton()->setEnabled(!m_model->isScanning()
                                               && !m_model->isPerformingItemAction());
}

void MainWindow::refreshConfirmation() {
    if (!m_model->showDeleteConfirmation()) {
        if (QMessageBox *box = m_confirmation) {
            m_confirmation = nullptr;
            box->close();
            box->deleteLater();
        }
        return;
    }
    const QSet<QString> &pending = m_model->pendingDeletionIDs();
    const QString title = Text::tr("Move %Ln video(s) to the Trash?", nullptr,
                                   int(std::min<qsizetype>(pending.size(), INT_MAX)));
    std::int64_t freed = 0;
    for (const VideoItem &item : m_model->items(pending))
        freed += item.freedBytes();
    const QString detail = Text::tr("The videos go to the Trash, where you can restore them. %1 "
                                    "returns to the disk when the Trash is emptied.")
                               .arg(sizeText(freed));
    if (m_confirmation) {
        m_confirmation->setText(title);
        m_confirmation->setWindowTitle(title);
        m_confirmation->setInformativeText(detail);
        return;
    }
    auto *box = new QMessageBox(this);
    m_confirmation = box;
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(detail);
    QPushButton *destroy = box->addButton(Text::tr("Move to Trash"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(Text::tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, destroy] {
        const bool confirmed = box->clickedButton() == destroy;
        box->deleteLater();
        if (m_confirmation != box)
            return; // closed because the model no longer asks
        m_confirmation = nullptr;
        if (!m_model)
            return;
        if (confirmed)
            m_model->confirmDelete();
        else
            m_model->setShowDeleteConfirmation(false);
    });
    box->open();
}

void MainWindow::refreshUndo() {
    m_undoAction->setEnabled(m_model->canUndoDeletion() && !m_model->isScanning()
                             && !m_model->isPerformingItemAction());
}

void MainWindow::refreshAlert() {
    const std::optional<QString> &message = m_model->errorMessage();
    if (!message) {
        if (QMessageBox *box = m_alert) {
            m_alert = nullptr;
            box->close();
            box->deleteLater();
        }
        return;
    }
    if (m_alert) {
        // A later failure replaces the earlier text in the open alert.
        m_alert->setInformativeText(verbatim(*message));
        return;
    }
    auto *box = new QMessageBox(this);
    m_alert = box;
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(Text::tr("Something went wrong"));
    box->setText(Text::tr("Something went wrong"));
    box->setInformativeText(verbatim(*message));
    QPushButton *ok = box->addButton(Text::tr("OK"), QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    connect(box, &QMessageBox::finished, this, [this, box] {
        box->deleteLater();
        if (m_alert != box)
            return;
        m_alert = nullptr;
        if (m_model)
            m_model->setErrorMessage(std::nullopt);
    });
    box->open();
}

void MainWindow::refreshPreview() {
    const std::optional<VideoItem> &item = m_model->previewItem();
    if (!item) {
        if (m_preview)
            m_preview->reject();
        return;
    }
    if (m_preview) {
        m_preview->setItem(*item);
        return;
    }
    m_preview = new VideoPreviewView(m_model->service(), *item, this);
    connect(m_preview, &QDialog::finished, this, [this, sheet = m_preview] {
        // Forgotten first: clearing previewItem below comes back here.
        if (m_preview == sheet)
            m_preview = nullptr;
        sheet->deleteLater();
        if (m_model)
            m_model->setPreviewItem(std::nullopt);
    });
    m_preview->open();
}

void MainWindow::confirmExtraSimilar() {
    if (m_similarConfirmation)
        return;
    m_model->showSimilar();
    const std::vector<SimilarGroup> groups = m_model->similarGroupsToThin();
    if (groups.empty())
        return;
    // Every group's line in the details; the first few in the message itself.
    constexpr std::size_t listed = 6;
    QStringList lines;
    for (const SimilarGroup &group : groups) {
        const std::vector<VideoItem> keeper = m_model->items({group.identifiers.front()});
        const QString name =
            keeper.empty() ? group.identifiers.front() : keeper.front().displayName();
        lines << Text::tr("Keeps “%1” (%2) and selects %Ln other(s)", nullptr,
                          int(group.identifiers.size() - 1))
                     .arg(name, VideoTableModel::similarKeeperReasonText(group.keeperReason));
    }
    QString shown = lines.mid(0, qsizetype(listed)).join(u'\n');
    if (groups.size() > listed)
        shown += u'\n' + Text::tr("…and %Ln more group(s)", nullptr, int(groups.size() - listed));
    auto *box = new QMessageBox(this);
    box->setIcon(QMessageBox::Question);
    const QString title = Text::tr("Select the extra copies of %Ln group(s) of similar videos?",
                                   nullptr, int(groups.size()));
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(
        shown + u"\n\n" + Text::tr("Nothing moves to the Trash until you choose Move to Trash."));
    if (groups.size() > listed)
        box->setDetailedText(lines.join(u'\n'));
    QPushButton *select = box->addButton(Text::tr("Select Extra Copies"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(select);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this, [this, select](QAbstractButton *clicked) {
        if (clicked == select && m_model)
            m_model->selectExtraSimilar();
    });
    connect(box, &QDialog::finished, this, [this] { m_similarConfirmation = nullptr; });
    m_similarConfirmation = box;
    box->open();
}

void MainWindow::refreshCompare() {
    const std::optional<SimilarGroup> &group = m_model->comparedGroup();
    if (!group) {
        if (m_compare)
            m_compare->reject();
        return;
    }
    std::vector<VideoItem> videos;
    for (const QString &id : group->identifiers) {
        for (VideoItem &item : m_model->items({id}))
            videos.push_back(std::move(item));
    }
    if (!m_compare) {
        m_compare = new SimilarCompareView(m_model->service(), this);
        connect(m_compare, &QDialog::finished, this, [this, view = m_compare] {
            // Forgotten first: clearing comparedGroup below comes back here.
            if (m_compare == view)
                m_compare = nullptr;
            view->deleteLater();
            if (m_model)
                m_model->setComparedGroup(std::nullopt);
        });
    }
    m_compare->setGroup(std::move(videos), group->keeperReason);
    m_compare->open();
}

void MainWindow::openPrivacySettings() {
    const QString folder = libraryFolderToOpen();
    if (!folder.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace orsenta
