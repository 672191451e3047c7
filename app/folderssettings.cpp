// SPDX-License-Identifier: GPL-3.0-or-later
#include "folderssettings.h"

#include "libraryfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <unistd.h>

namespace orsenta {

namespace {

// Texts filed under the "FoldersPage" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FoldersPage)
};

bool onRemovableDrive(const QString &path) {
    return path.startsWith(u"/media/") || path.startsWith(u"/run/media/");
}

} // namespace

FolderState folderState(const QString &folder, const platform::LibraryCondition &condition) {
    const QString path = QDir::cleanPath(folder);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const auto missing = [&](bool removable) {
        return removable ? FolderState::notConnected : FolderState::notFound;
    };
    for (const platform::AbsentFolder &absent : condition.absentFolders) {
        if (absent.path == path || (!canonical.isEmpty() && absent.path == canonical))
            return absent.missing ? missing(onRemovableDrive(path)) : FolderState::unreadable;
    }
    if (!QFileInfo(path).isDir())
        return missing(onRemovableDrive(path));
    return ::access(QFile::encodeName(path).constData(), R_OK | X_OK) == 0
               ? FolderState::available
               : FolderState::unreadable;
}

QString folderStateText(FolderState state) {
    switch (state) {
    case FolderState::available:
        return Text::tr("Available");
    case FolderState::notFound:
        return Text::tr("Not found");
    case FolderState::notConnected:
        return Text::tr("Not connected");
    case FolderState::unreadable:
        return Text::tr("Cannot be read");
    }
    return {};
}

FoldersModel::FoldersModel(LibraryFolders *folders, QObject *parent)
    : QAbstractTableModel(parent)
    , m_folders(folders) {
    connect(m_folders, &LibraryFolders::foldersChanged, this, &FoldersModel::refresh);
    connect(m_folders, &LibraryFolders::scanned, this, &FoldersModel::refresh);
    refresh();
}

void FoldersModel::refresh() {
    const platform::LibraryCondition condition = m_folders->condition();
    std::vector<Row> rows;
    for (const QString &folder : m_folders->folders())
        rows.push_back(
            Row{folder, folderState(folder, condition), m_folders->indexedVideos(folder)});
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int FoldersModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FoldersModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FoldersModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Row &row = m_rows[std::size_t(index.row())];
    if (role == Qt::ToolTipRole && index.column() == Folder)
        return row.folder;
    if (role == Qt::UserRole && index.column() == State)
        return int(row.state);
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(index.column())) {
    case Folder:
        return QDir::toNativeSeparators(row.folder);
    case State:
        return folderStateText(row.state);
    case Videos:
        return row.videos ? QVariant(qlonglong(*row.videos)) : QVariant();
    case ColumnCount:
        break;
    }
    return {};
}

QVariant FoldersModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (Column(section)) {
    case Folder:
        return Text::tr("Folder");
    case State:
        return Text::tr("State");
    case Videos:
        return Text::tr("Videos");
    case ColumnCount:
        break;
    }
    return {};
}

FoldersPage::FoldersPage(LibraryFolders *folders, QWidget *parent)
    : QWidget(parent)
    , m_folders(folders)
    , m_model(new FoldersModel(folders, this))
    , m_view(new QTreeView)
    , m_add(new QPushButton(Text::tr("Add…")))
    , m_remove(new QPushButton(Text::tr("Remove")))
    , m_chooser([](QWidget *parent) {
        return QFileDialog::getExistingDirectory(parent, Text::tr("Add a Library Folder"),
                                                 QDir::homePath());
    }) {
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->header()->setStretchLastSection(false);
    m_view->header()->setSectionResizeMode(FoldersModel::Folder, QHeaderView::Stretch);
    m_view->header()->setSectionResizeMode(FoldersModel::State, QHeaderView::ResizeToContents);
    m_view->header()->setSectionResizeMode(FoldersModel::Videos, QHeaderView::ResizeToContents);

    auto *layout = new QVBoxLayout(this);
    if (m_folders->isSessionOnly()) {
        auto *note = new QLabel(Text::tr(
            "This run uses the folders named on the command line; changes last until it ends."));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addWidget(m_view);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &FoldersPage::addFolder);
    connect(m_remove, &QPushButton::clicked, this, &FoldersPage::removeSelected);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FoldersPage::refreshButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &FoldersPage::refreshButtons);
    refreshButtons();
}

void FoldersPage::showEvent(QShowEvent *event) {
    m_model->refresh();
    QWidget::showEvent(event);
}

void FoldersPage::addFolder() {
    const QString folder = m_chooser(this);
    if (!folder.isEmpty())
        m_folders->add(folder);
}

void FoldersPage::removeSelected() {
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid())
        m_folders->remove(m_folders->folders().value(current.row()));
}

void FoldersPage::refreshButtons() {
    m_remove->setEnabled(m_view->selectionModel()->hasSelection());
}

} // namespace orsenta
