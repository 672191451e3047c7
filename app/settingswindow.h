// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings window: the theme choice with all three options in view, and, where the library
// is made of folders, the Folders page that chooses them.

#include "apptheme.h"

#include <QWidget>

#include <array>

class QRadioButton;

namespace orsenta {

class FoldersPage;
class LibraryFolders;

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int formWidth = 360;
    static constexpr int foldersWidth = 600;

    explicit SettingsWindow(ThemeController *theme, LibraryFolders *folders = nullptr,
                            QWidget *parent = nullptr);
    QRadioButton *option(AppTheme theme) const { return m_options[std::size_t(theme)]; }
    // None without library folders.
    FoldersPage *foldersPage() const { return m_folders; }

private:
    void showTheme(AppTheme theme);

    ThemeController *m_theme;
    std::array<QRadioButton *, allAppThemes.size()> m_options{};
    FoldersPage *m_folders = nullptr;
};

} // namespace orsenta
