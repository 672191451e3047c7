// SPDX-License-Identifier: GPL-3.0-or-later
// Every symbol shows something with no icon theme at all, in the colour it is drawn with.

#include "ui/symbols.h"
#include "uitestfixture.h"

#include <QPainter>
#include <QSet>

using namespace orsenta;

namespace {

int inkedPixels(const QImage &image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

} // namespace

class TestSymbols : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QIcon::setThemeSearchPaths({});
        QIcon::setFallbackSearchPaths({});
        QIcon::setThemeName(u"no-such-theme"_qs);
    }

    void everySymbolShowsWithoutATheme_data() {
        QTest::addColumn<int>("symbol");
        for (int s = 0; s < symbolCount; ++s)
            QTest::newRow(symbolName(Symbol(s)).toLatin1().constData()) << s;
    }
    void everySymbolShowsWithoutATheme() {
        QFETCH(int, symbol);
        const QIcon icon = orsenta::symbol(Symbol(symbol));
        QVERIFY(!icon.isNull());
        for (int side : {16, 22, 48}) {
            const QImage image = icon.pixmap(side, side).toImage();
            QCOMPARE(image.size(), QSize(side, side));
            // Visible, but not a filled square.
            const int inked = inkedPixels(image);
            QVERIFY2(inked > side * side / 20, qPrintable(QString::number(inked)));
            QVERIFY(inked < side * side);
        }
        QVERIFY(!icon.pixmap(16, 16, QIcon::Disabled).isNull());
    }

    // Theme names follow the freedesktop icon naming: lower case, no spaces.
    void shapesAndNamesAreDistinctAndPaintedInTheirColour() {
        QSet<QByteArray> shapes;
        QSet<QString> names;
        for (int s = 0; s < symbolCount; ++s) {
            QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            paintSymbol(painter, Symbol(s), QRectF(0, 0, 24, 24), QColor(255, 45, 85));
            painter.end();
            bool onlyPink = true;
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 24; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.alpha() == 255)
                        onlyPink = onlyPink && c == QColor(255, 45, 85);
                }
            QVERIFY2(onlyPink, qPrintable(symbolName(Symbol(s))));
            shapes.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
            names.insert(symbolName(Symbol(s)));
            const QString theme = themeIconName(Symbol(s));
            QVERIFY(theme.isEmpty() || theme == theme.toLower());
            QVERIFY(!theme.contains(u' '));
        }
        // No two symbols could be mistaken for each other.
        QCOMPARE(shapes.size(), symbolCount);
        QCOMPARE(names.size(), symbolCount);
        QCOMPARE(symbolName(Symbol::heartFill), u"heart.fill"_qs);
        QCOMPARE(themeIconName(Symbol::trash), u"user-trash"_qs);
    }
};

ORSENTA_WIDGET_TEST_MAIN(TestSymbols)
#include "tst_symbols.moc"
