// SPDX-License-Identifier: GPL-3.0-or-later
// A sidebar row as it is painted: its bar, the sliver of an empty bucket, and its texts.

#include "model/displaytext.h"
#include "ui/datebucketrow.h"
#include "ui/numberroll.h"
#include "windowtestsupport.h"

#include <QImage>

using namespace orsenta;

namespace {

constexpr int rowWidth = 500;

// Whether the pixel near the row's top edge at `x` is tinted rather than the window's own.
bool tinted(const QImage &image, int x) {
    return image.pixelColor(x, 2).rgb() != QApplication::palette().color(QPalette::Window).rgb();
}

QImage render(DateBucketRow &row) {
    row.resize(rowWidth, row.sizeHint().height());
    row.setTitle(QString()); // only the background shows along the top edge
    return row.grab().toImage();
}

} // namespace

class SidebarRowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theBarCoversItsFractionWithASliverAtLeast_data() {
        QTest::addColumn<std::optional<double>>("fraction");
        QTest::addColumn<double>("covered");
        QTest::addRow("absent: no bar") << std::optional<double>() << 0.0;
        QTest::addRow("zero: the sliver") << std::optional<double>(0.0) << 0.012;
        QTest::addRow("below the sliver") << std::optional<double>(0.005) << 0.012;
        QTest::addRow("a half") << std::optional<double>(0.5) << 0.5;
        QTest::addRow("whole") << std::optional<double>(1.0) << 1.0;
    }
    void theBarCoversItsFractionWithASliverAtLeast() {
        QFETCH(std::optional<double>, fraction);
        QFETCH(double, covered);
        DateBucketRow row;
        row.setFraction(fraction);
        QCOMPARE(row.barFraction(), covered);
        const QImage image = render(row);
        const int edge = int(covered * rowWidth);
        if (covered == 0.0) {
            QVERIFY(!tinted(image, 3));
            QVERIFY(!tinted(image, rowWidth / 2));
            return;
        }
        QVERIFY(tinted(image, std::max(1, edge / 2)));
        if (covered < 1.0)
            QVERIFY(!tinted(image, std::min(rowWidth - 3, edge + 4)));
    }

    void aSelectedRowIsFilledAcrossAndItsBarIsStronger() {
        DateBucketRow plain;
        plain.setFraction(0.5);
        DateBucketRow selected;
        selected.setFraction(0.5);
        selected.setSelected(true);
        const QImage a = render(plain);
        const QImage b = render(selected);
        QVERIFY(tinted(b, rowWidth - 100)); // the fill beyond the bar
        QVERIFY(!tinted(a, rowWidth - 100));
        QVERIFY(b.pixelColor(50, 2) != a.pixelColor(50, 2));
    }

    void anIndentedRowAndAChevronNeedMoreRoom() {
        DateBucketRow row;
        row.setTitle(u"Mar"_qs);
        row.setBytes(1'000'000);
        const int plain = row.sizeHint().width();
        row.setIndented(true);
        QCOMPARE(row.sizeHint().width(), plain + DateBucketRow::indentation);
        row.setShowsDisclosure(true);
        QVERIFY(row.sizeHint().width() > plain + DateBucketRow::indentation);
    }

    void numbersRollFromWhatIsShownOnlyOnScreen() {
        DateBucketRow row;
        row.setCount(10);
        row.setBytes(1'000'000);
        // Off screen: no roll.
        QCOMPARE(row.shownCountText(), u"10 videos"_qs);
        row.show();
        row.setCount(20);
        QCOMPARE(row.countText(), u"20 videos"_qs);
        QVariantAnimation &roll = row.roll()->animation();
        QCOMPARE(roll.duration(), 250);
        QCOMPARE(row.shownCountText(), u"10 videos"_qs);
        roll.setCurrentTime(125); // half way, where easing in and out is half done
        QCOMPARE(row.shownCountText(), u"15 videos"_qs);
        QCOMPARE(row.shownBytesText(), sizeText(1'000'000));

        // A new value mid-roll sets off from what is shown.
        row.setCount(30);
        QCOMPARE(row.shownCountText(), u"15 videos"_qs);
        roll.setCurrentTime(250);
        QCOMPARE(row.shownCountText(), u"30 videos"_qs);
        QCOMPARE(roll.state(), QAbstractAnimation::Stopped);

        row.hide();
        row.setCount(0);
        QCOMPARE(row.shownCountText(), u"0 videos"_qs);
    }
};

ORSENTA_WIDGET_TEST_MAIN(SidebarRowTest)
#include "tst_sidebarrow.moc"
