// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Widget tests of the table: a QApplication main with the catalog's fixed locale and zone, and a
// view model over an in-memory library scanned to the end.

#include "../viewmodel/viewmodelfixture.h"
#include "i18n/translations.h"

#include <QApplication>
#include <QLocale>
#include <QTest>

#define ORSENTA_WIDGET_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char *argv[]) {                                                             \
        qputenv("TZ", "America/New_York");                                                         \
        QApplication app(argc, argv);                                                              \
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));                     \
        orsenta::installTranslations();                                                            \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

namespace orsenta::test {

// A video with a thumbnail image of one colour.
inline MemoryAsset pictured(MemoryAsset asset, QColor color = Qt::red) {
    QImage image(160, 90, QImage::Format_RGB32);
    image.fill(color);
    asset.image = image;
    return asset;
}

// alpha 500 B (2020), beta and gamma 200 B each (2019, a same-size pair), delta 900 B (2018):
// in the default largest-first order d, a, b, c.
[[nodiscard]] inline bool scanFour(ViewModelFixture &f) {
    f.add({video(u"a"_qs, 500, 2020, u"alpha.mov"_qs), video(u"b"_qs, 200, 2019, u"beta.mov"_qs),
           video(u"c"_qs, 200, 2019, u"gamma.mov"_qs), video(u"d"_qs, 900, 2018, u"delta.mov"_qs)});
    return f.start();
}

} // namespace orsenta::test
