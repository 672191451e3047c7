// SPDX-License-Identifier: GPL-3.0-or-later
// The colour theme: the stored setting and how it reads back, what each choice does to the
// application's look, and the menus and settings window that choose it.

#include "app/apptheme.h"
#include "app/orsentaapp.h"
#include "app/settingswindow.h"
#include "app/videocommands.h"
#include "windowtestsupport.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>

using namespace orsenta;

namespace {

QStringList titles(const QList<QAction *> &actions) {
    QStringList list;
    for (const QAction *action : actions) {
        if (!action->isSeparator())
            list << action->text();
    }
    return list;
}

QString storedTheme() {
    return QSettings().value(QLatin1String(ThemeController::settingsKey)).toString();
}

} // namespace

class AppThemeTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
    QString m_desktopStyle;
    QPalette m_desktopPalette;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_settings.isValid());
        QCoreApplication::setOrganizationName(u"orsenta-test"_qs);
        QCoreApplication::setApplicationName(u"tst_apptheme"_qs);
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
        m_desktopStyle = QApplication::style()->name();
        m_desktopPalette = QApplication::palette();
    }
    void init() { QSettings().remove(QLatin1String(ThemeController::settingsKey)); }

    void theStoredValueReadsBack_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<AppTheme>("theme");
        QTest::addRow("absent") << QVariant() << AppTheme::system;
        QTest::addRow("system") << QVariant(u"system"_qs) << AppTheme::system;
        QTest::addRow("light") << QVariant(u"light"_qs) << AppTheme::light;
        QTest::addRow("dark") << QVariant(u"dark"_qs) << AppTheme::dark;
        QTest::addRow("unknown") << QVariant(u"blue"_qs) << AppTheme::system;
        QTest::addRow("other case") << QVariant(u"Dark"_qs) << AppTheme::system;
        QTest::addRow("empty") << QVariant(QString()) << AppTheme::system;
    }
    void theStoredValueReadsBack() {
        QFETCH(QVariant, stored);
        QFETCH(AppTheme, theme);
        if (stored.isValid())
            QSettings().setValue(QLatin1String(ThemeController::settingsKey), stored);
        ThemeController controller;
        QCOMPARE(controller.theme(), theme);
        controller.applyStored();
        QCOMPARE(controller.applied(), theme);
        controller.choose(AppTheme::system);
    }

    // System restores the desktop's look rather than forcing light.
    void aChoiceIsStoredAppliedAndSurvivesARestart() {
        ThemeController controller;
        QSignalSpy changed(&controller, &ThemeController::themeChanged);
        controller.choose(AppTheme::dark);
        QWidget window;
        QWidget child(&window);
        window.show();
        QCOMPARE(storedTheme(), u"dark"_qs);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 ThemeController::darkPalette().color(QPalette::Window));
        QCOMPARE(child.palette().color(QPalette::Base),
                 ThemeController::darkPalette().color(QPalette::Base));
        QCOMPARE(QApplication::style()->name(), u"fusion"_qs);
        QCOMPARE(ThemeController().theme(), AppTheme::dark); // as read after a restart

        controller.choose(AppTheme::system);
        QCoreApplication::processEvents(); // widgets take a new palette on the next turn
        QCOMPARE(storedTheme(), u"system"_qs);
        QCOMPARE(QApplication::style()->name(), m_desktopStyle);
        QCOMPARE(window.palette().color(QPalette::Window),
                 m_desktopPalette.color(QPalette::Window));
        QCOMPARE(child.palette().color(QPalette::Text), m_desktopPalette.color(QPalette::Text));
        controller.choose(AppTheme::light);
        QCoreApplication::processEvents();
        QCOMPARE(window.palette().color(QPalette::Window),
                 ThemeController::lightPalette().color(QPalette::Window));
        controller.choose(AppTheme::system);
    }

    void theMenusAndTheSettingsWindowChooseTheSameSetting() {
        QSettings().setValue(QLatin1String(ThemeController::settingsKey), u"light"_qs);
        test::ServiceDrain drain;
        OrsentaApp app(std::make_shared<platform::MemoryPlatform>());
        QCOMPARE(app.theme()->applied(), AppTheme::light);
        QCOMPARE(titles(app.mainWindow()->menuBar()->actions()),
                 (QStringList{u"&File"_qs, u"&Edit"_qs, u"&View"_qs, u"Video"_qs}));
        // One window is the whole application: nothing opens another.
        const QList<QAction *> menus = app.mainWindow()->menuBar()->actions();
        QCOMPARE(titles(menus[0]->menu()->actions()), (QStringList{u"Settings…"_qs, u"Quit"_qs}));
        QCOMPARE(menus[1]->menu()->actions(), QList<QAction *>{app.mainWindow()->undoAction()});
        QCOMPARE(app.mainWindow()->undoAction()->text(), u"Undo Move to Trash"_qs);
        QCOMPARE(app.mainWindow()->undoAction()->shortcut(), QKeySequence(QKeySequence::Undo));

        QMenu *appearance = app.appearanceMenu();
        QCOMPARE(appearance->title(), u"Appearance"_qs);
        QCOMPARE(titles(appearance->actions()),
                 (QStringList{u"System"_qs, u"Light"_qs, u"Dark"_qs}));
        QVERIFY(appearance->actions()[1]->isChecked());

        appearance->actions()[2]->trigger();
        QCOMPARE(storedTheme(), u"dark"_qs);
        QCOMPARE(app.theme()->applied(), AppTheme::dark);

        app.openSettings();
        SettingsWindow *settings = app.settingsWindow();
        QVERIFY(settings && settings->isVisible());
        QCOMPARE(settings->width(), SettingsWindow::formWidth);
        QVERIFY(settings->option(AppTheme::dark)->isChecked());
        settings->option(AppTheme::system)->click();
        QCOMPARE(storedTheme(), u"system"_qs);
        QVERIFY(appearance->actions()[0]->isChecked());
        QVERIFY(!appearance->actions()[2]->isChecked());

        // The window takes the stored theme each time it appears.
        QSettings().setValue(QLatin1String(ThemeController::settingsKey), u"dark"_qs);
        app.show();
        QCOMPARE(app.theme()->applied(), AppTheme::dark);
        QCOMPARE(app.mainWindow()->size(), MainWindow::defaultSize);
        QVERIFY(app.commands()->focusedModel());
        QVERIFY(QTest::qWaitFor([&app] { return !app.commands()->focusedModel()->isScanning(); }));
        drain.service = app.commands()->focusedModel()->service();
        app.theme()->choose(AppTheme::system);
    }
};

ORSENTA_WIDGET_TEST_MAIN(AppThemeTest)
#include "tst_apptheme.moc"
