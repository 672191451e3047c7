// SPDX-License-Identifier: GPL-3.0-or-later
#include "orsentaapp.h"

#include "apptheme.h"
#include "settingswindow.h"
#include "ui/mainwindow.h"
#include "ui/qtdesktoptoolkit.h"
#include "videocommands.h"
#include "viewmodel/videolistviewmodel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace orsenta {

namespace {

// Texts filed under the "OrsentaApp" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(OrsentaApp)
};

} // namespace

OrsentaApp::OrsentaApp(std::shared_ptr<platform::PhotoPlatform> platform, QObject *parent)
    : QObject(parent)
    , m_theme(new ThemeController(this))
    , m_toolkit(std::make_shared<QtDesktopToolkit>()) {
    m_window = std::make_unique<MainWindow>(std::move(platform), m_toolkit,
                                            std::make_shared<SteadyClock>());
    m_toolkit->setWindow(m_window.get());
    m_commands = new VideoCommands(this);
    buildMenus();
    connect(m_window.get(), &MainWindow::appeared, m_theme, &ThemeController::applyStored);
    connect(m_window.get(), &MainWindow::modelCreated, this, [this](VideoListViewModel *model) {
        m_commands->setFocusedModel(model);
        if (!m_quitAfterScan)
            return;
        connect(model, &VideoListViewModel::isScanningChanged, this, [model] {
            if (!model->isScanning())
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
    });
    connect(m_theme, &ThemeController::themeChanged, this, &OrsentaApp::showTheme);
    m_theme->applyStored();
    showTheme();
}

OrsentaApp::~OrsentaApp() {
    m_commands->setFocusedModel(nullptr);
    delete m_settings;
}

void OrsentaApp::show() {
    m_window->show();
}

void OrsentaApp::quitAfterFirstScan() {
    m_quitAfterScan = true;
}

void OrsentaApp::openSettings() {
    if (!m_settings)
        m_settings = new SettingsWindow(m_theme, m_folders);
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void OrsentaApp::buildMenus() {
    QMenuBar *bar = m_window->menuBar();

    // No command opens a second window: the one window is the whole application.
    QMenu *file = bar->addMenu(Text::tr("&File"));
    QAction *settings = file->addAction(Text::tr("Settings…"), this, &OrsentaApp::openSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setMenuRole(QAction::PreferencesRole);
    file->addSeparator();
    QAction *quit = file->addAction(Text::tr("Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu *edit = bar->addMenu(Text::tr("&Edit"));
    edit->addAction(m_window->undoAction());

    QMenu *view = bar->addMenu(Text::tr("&View"));
    QAction *sidebar = m_window->sidebarAction();
    sidebar->setShortcut(QKeySequence(Qt::Key_F9));
    view->addAction(sidebar);
    view->addSeparator();
    m_appearance = view->addMenu(Text::tr("Appearance"));
    m_themeChoices = new QActionGroup(this);
    m_themeChoices->setExclusive(true);
    for (AppTheme value : allAppThemes) {
        QAction *choice = m_appearance->addAction(appThemeLabel(value));
        choice->setCheckable(true);
        choice->setData(int(value));
        m_themeChoices->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, value] { m_theme->choose(value); });
    }

    bar->addMenu(m_commands->menu());
}

void OrsentaApp::showTheme() {
    const AppTheme current = m_theme->theme();
    for (QAction *choice : m_themeChoices->actions())
        choice->setChecked(AppTheme(choice->data().toInt()) == current);
}

} // namespace orsenta
