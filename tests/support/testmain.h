// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A test main that fixes what the catalog's texts depend on: US English, the New York time
// zone (captured at first use, so it is set before anything runs) and the English plurals.

#include "i18n/translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

#define ORSENTA_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[]) {                                                             \
        qputenv("TZ", "America/New_York");                                                         \
        QCoreApplication app(argc, argv);                                                          \
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));                     \
        orsenta::installTranslations();                                                            \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
