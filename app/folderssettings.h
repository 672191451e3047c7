// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Folders page of the settings: the library's folders, each with whether it can be read now
// and how many videos the library holds in it, and Add… and Remove to change the list.

#include "library/platform/platformtypes.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>

class QPushButton;
class QTreeView;

namespace orsenta {

class LibraryFolders;

enum class FolderState { available, notFound, notConnected, unreadable };

// A folder on a removable drive (under /media or /run/media) that is not there is a drive not
// connected; one that the last scan could not walk counts as it found it.
FolderState folderState(const QString &folder, const platform::LibraryCondition &condition);
QString folderStateText(FolderState state);

class FoldersModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Folder, State, Videos, ColumnCount };

    explicit FoldersModel(LibraryFolders *folders, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Reads the folders, their states and their videos again.
    void refresh();

private:
    struct Row {
        QString folder;
        FolderState state = FolderState::available;
        std::optional<std::int64_t> videos;
    };

    LibraryFolders *m_folders;
    std::vector<Row> m_rows;
};

class FoldersPage : public QWidget {
    Q_OBJECT
public:
    // Asks the user for a folder; empty when they cancel.
    using FolderChooser = std::function<QString(QWidget *parent)>;

    explicit FoldersPage(LibraryFolders *folders, QWidget *parent = nullptr);

    FoldersModel *model() const { return m_model; }
    QTreeView *view() const { return m_view; }
    QPushButton *addButton() const { return m_add; }
    QPushButton *removeButton() const { return m_remove; }
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void addFolder();
    void removeSelected();
    void refreshButtons();

    LibraryFolders *m_folders;
    FoldersModel *m_model;
    QTreeView *m_view;
    QPushButton *m_add;
    QPushButton *m_remove;
    FolderChooser m_chooser;
};

} // namespace orsenta
