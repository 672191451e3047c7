// SPDX-License-Identifier: GPL-3.0-or-later
#include "apptheme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

namespace orsenta {

QString appThemeName(AppTheme theme) {
    switch (theme) {
    case AppTheme::system:
        return QStringLiteral("system");
    case AppTheme::light:
        return QStringLiteral("light");
    case AppTheme::dark:
        return QStringLiteral("dark");
    }
    return {};
}

std::optional<AppTheme> appThemeFromString(QStringView name) {
    for (AppTheme theme : allAppThemes) {
        if (name == appThemeName(theme))
            return theme;
    }
    return std::nullopt;
}

QString appThemeLabel(AppTheme theme) {
    switch (theme) {
    case AppTheme::system:
        return QCoreApplication::translate("AppTheme", "System");
    case AppTheme::light:
        return QCoreApplication::translate("AppTheme", "Light");
    case AppTheme::dark:
        return QCoreApplication::translate("AppTheme", "Dark");
    }
    return {};
}

ThemeController::ThemeController(QObject *parent)
    : QObject(parent)
    , m_desktopStyle(QApplication::style()->name())
    , m_desktopPalette(QApplication::palette()) {}

AppTheme ThemeController::theme() const {
    const QString stored = QSettings().value(QLatin1String(settingsKey)).toString();
    return appThemeFromString(stored).value_or(AppTheme::system);
}

void ThemeController::choose(AppTheme theme) {
    QSettings().setValue(QLatin1String(settingsKey), appThemeName(theme));
    apply(theme);
}

void ThemeController::applyStored() {
    apply(theme());
}

void ThemeController::apply(AppTheme theme) {
    if (theme == AppTheme::system) {
        // The desktop's own look, not a forced light one: a dark desktop stays dark. Untouched
        // until a theme was forced, so that the application keeps following the desktop.
        if (m_overridden) {
            if (QApplication::style()->name() != m_desktopStyle)
                QApplication::setStyle(QStyleFactory::create(m_desktopStyle));
            QApplication::setPalette(m_desktopPalette);
        }
    } else {
        m_overridden = true;
        // Fusion draws every control from the palette, so a dark palette darkens all of them.
        if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive)
            != 0)
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(theme == AppTheme::dark ? darkPalette() : lightPalette());
    }
    const bool changed = m_applied != theme;
    m_applied = theme;
    if (changed)
        Q_EMIT themeChanged(theme);
}

QPalette ThemeController::lightPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xf6, 0xf5, 0xf4));
    palette.setColor(QPalette::WindowText, QColor(0x24, 0x1f, 0x31));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf3, 0xf3, 0xf5));
    palette.setColor(QPalette::Text, QColor(0x24, 0x1f, 0x31));
    palette.setColor(QPalette::Button, QColor(0xf0, 0xef, 0xee));
    palette.setColor(QPalette::ButtonText, QColor(0x24, 0x1f, 0x31));
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xf0));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x88));
    palette.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x1c, 0x71, 0xd8));
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Midlight, QColor(0xe6, 0xe5, 0xe4));
    palette.setColor(QPalette::Mid, QColor(0xc0, 0xbf, 0xbc));
    palette.setColor(QPalette::Dark, QColor(0x9a, 0x99, 0x96));
    palette.setColor(QPalette::Shadow, QColor(0x5e, 0x5c, 0x64));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x9a, 0x99, 0x96));
    return palette;
}

QPalette ThemeController::darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    palette.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    palette.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2c));
    palette.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::Button, QColor(0x33, 0x33, 0x36));
    palette.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ToolTipText, QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x96));
    palette.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x78, 0xae, 0xed));
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x7b, 0x63));
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4e));
    palette.setColor(QPalette::Midlight, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::Mid, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x84));
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(0x2c, 0x2c, 0x2e));
    return palette;
}

} // namespace orsenta
