#pragma once
// The settings window: the theme choice with all three options in view.

#include "apptheme.h"

#include <QWidget>

#include <array>

class QRadioButton;

namespace orsenta {

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int formWidth = 360;

    explicit SettingsWindow(ThemeController *theme, QWidget *parent = nullptr);
    QRadioButton *option(AppTheme theme) const { return m_options[std::size_t(theme)]; }

private:
    void showTheme(AppTheme theme);

    ThemeController *m_theme;
    std::array<QRadioButton *, allAppThemes.size()> m_options{};
};

} // namespace orsenta
