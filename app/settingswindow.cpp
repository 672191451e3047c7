// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingswindow.h"

#include "folderssettings.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orsenta {

SettingsWindow::SettingsWindow(ThemeController *theme, LibraryFolders *folders, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_theme(theme) {
    setWindowTitle(QCoreApplication::translate("SettingsWindow", "Settings"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    auto *group = new QGroupBox(QCoreApplication::translate("SettingsWindow", "Appearance"));
    auto *options = new QVBoxLayout(group);
    auto *buttons = new QButtonGroup(this);
    for (AppTheme value : allAppThemes) {
        auto *option = new QRadioButton(appThemeLabel(value));
        buttons->addButton(option, int(value));
        options->addWidget(option);
        m_options[std::size_t(value)] = option;
    }
    if (folders) {
        auto *pages = new QTabWidget;
        auto *general = new QWidget;
        auto *generalLayout = new QVBoxLayout(general);
        generalLayout->addWidget(group);
        generalLayout->addStretch();
        pages->addTab(general, QCoreApplication::translate("SettingsWindow", "General"));
        m_folders = new FoldersPage(folders);
        pages->addTab(m_folders, QCoreApplication::translate("SettingsWindow", "Folders"));
        layout->addWidget(pages);
        resize(foldersWidth, sizeHint().height());
    } else {
        layout->addWidget(group);
        // The form keeps its own size rather than stretching with the window.
        setFixedWidth(formWidth);
        setFixedHeight(sizeHint().height());
    }

    connect(buttons, &QButtonGroup::idClicked, this,
            [this](int id) { m_theme->choose(AppTheme(id)); });
    connect(m_theme, &ThemeController::themeChanged, this, &SettingsWindow::showTheme);
    showTheme(m_theme->theme());
}

void SettingsWindow::showTheme(AppTheme theme) {
    m_options[std::size_t(theme)]->setChecked(true);
}

} // namespace orsenta
