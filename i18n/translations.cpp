// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace orsenta {

bool installTranslations() {
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(), QStringLiteral("orsenta"), QStringLiteral("_"),
                         QStringLiteral(":/i18n"))
        || translator->load(QStringLiteral("orsenta_en"), QStringLiteral(":/i18n"))) {
        return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

} // namespace orsenta
