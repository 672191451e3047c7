// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application: one main window over the photo library, its menus, the settings window and
// the colour theme.

#include "library/platform/photoplatform.h"
#include "libraryfolders.h"
#include "settingswindow.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QAction;
class QActionGroup;
class QMenu;

namespace orsenta {

class MainWindow;
class QtDesktopToolkit;
class ThemeController;
class VideoCommands;

class OrsentaApp : public QObject {
    Q_OBJECT
public:
    // Call with a QApplication running, before any window is shown.
    explicit OrsentaApp(std::shared_ptr<platform::PhotoPlatform> platform,
                        QObject *parent = nullptr);
    ~OrsentaApp() override;

    void show();
    void openSettings();
    // The folders the settings window lets the user choose; none for a library not made of them.
    void setLibraryFolders(LibraryFolders *folders) { m_folders = folders; }
    // Ends the application when the first scan of the window has finished: a smoke test.
    void quitAfterFirstScan();

    MainWindow *mainWindow() const { return m_window.get(); }
    ThemeController *theme() const { return m_theme; }
    VideoCommands *commands() const { return m_commands; }
    SettingsWindow *settingsWindow() const { return m_settings; }
    QMenu *appearanceMenu() const { return m_appearance; }

private:
    void buildMenus();
    void showTheme();

    ThemeController *m_theme = nullptr;
    std::shared_ptr<QtDesktopToolkit> m_toolkit;
    std::unique_ptr<MainWindow> m_window;
    VideoCommands *m_commands = nullptr;
    QMenu *m_appearance = nullptr;
    QActionGroup *m_themeChoices = nullptr;
    QPointer<SettingsWindow> m_settings;
    QPointer<LibraryFolders> m_folders;
    bool m_quitAfterScan = false;
};

} // namespace orsenta
