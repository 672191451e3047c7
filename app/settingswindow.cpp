#include "settingswindow.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orsenta {

SettingsWindow::SettingsWindow(ThemeController *theme, QWidget *parent)
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
    layout->addWidget(group);
    // The form keeps its own size rather than stretching with the window.
    setFixedWidth(formWidth);
    setFixedHeight(sizeHint().height());

    connect(buttons, &QButtonGroup::idClicked, this,
            [this](int id) { m_theme->choose(AppTheme(id)); });
    connect(m_theme, &ThemeController::themeChanged, this, &SettingsWindow::showTheme);
    showTheme(m_theme->theme());
}

void SettingsWindow::showTheme(AppTheme theme) {
    m_options[std::size_t(theme)]->setChecked(true);
}

} // namespace orsenta
