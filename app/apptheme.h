// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colour theme: follow the desktop, or force light or dark. The choice is the one setting
// the application keeps across restarts.

#include <QObject>
#include <QPalette>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace orsenta {

enum class AppTheme : std::uint8_t { system, light, dark };
inline constexpr std::array allAppThemes{AppTheme::system, AppTheme::light, AppTheme::dark};

// "system", "light", "dark".
QString appThemeName(AppTheme theme);
std::optional<AppTheme> appThemeFromString(QStringView name);
// "System", "Light", "Dark" in the user's language.
QString appThemeLabel(AppTheme theme);

// Owns the setting and applies it to the whole application. Created once, after the
// QApplication, while the application still wears the desktop's own style and palette.
class ThemeController : public QObject {
    Q_OBJECT
public:
    static constexpr const char *settingsKey = "appTheme";

    explicit ThemeController(QObject *parent = nullptr);

    // The stored choice; absent or unknown values read as system.
    AppTheme theme() const;
    // Stores the choice first, then applies it, so that a reader of the setting never sees a
    // theme the windows do not wear.
    void choose(AppTheme theme);
    // Applies the stored choice to every window.
    void applyStored();
    // What is on screen now.
    AppTheme applied() const { return m_applied; }

    static QPalette lightPalette();
    static QPalette darkPalette();

Q_SIGNALS:
    void themeChanged(orsenta::AppTheme theme);

private:
    void apply(AppTheme theme);

    QString m_desktopStyle;
    QPalette m_desktopPalette;
    AppTheme m_applied = AppTheme::system;
    bool m_overridden = false;
};

} // namespace orsenta
