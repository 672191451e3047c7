// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/displaytext.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

#include <limits>
#include <time.h>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

using OptionalBytes = std::optional<std::int64_t>;
Q_DECLARE_METATYPE(OptionalBytes)

class TestDisplayText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("TZ", "America/New_York");
        tzset();
    }

    void durationText_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << u"--:--"_s;
        QTest::newRow("infinity") << inf << u"--:--"_s;
        QTest::newRow("negative") << -0.3 << u"--:--"_s;
        QTest::newRow("minus zero") << -0.0 << u"0:00"_s;
        QTest::newRow("just under half") << 0.49 << u"0:00"_s;
        QTest::newRow("half rounds up") << 2.5 << u"0:03"_s;
        QTest::newRow("59.5") << 59.5 << u"1:00"_s;
        QTest::newRow("3599.4") << 3599.4 << u"59:59"_s;
        QTest::newRow("3599.5") << 3599.5 << u"1:00:00"_s;
        QTest::newRow("3725") << 3725.0 << u"1:02:05"_s;
        QTest::newRow("100 hours") << 360000.0 << u"100:00:00"_s;
    }

    void durationText() {
        QFETCH(double, seconds);
        QTEST(orsenta::durationText(seconds), "expected");
    }

    void durationTextOfAbsurdLengths() {
        // Too large for any integer type; any text will do as long as it is one.
        QVERIFY(!orsenta::durationText(1e300).isEmpty());
        QVERIFY(!orsenta::durationText(std::numeric_limits<double>::max()).isEmpty());
    }

    void resolution_data() {
        QTest::addColumn<std::int64_t>("width");
        QTest::addColumn<std::int64_t>("height");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("dimensions");
        const auto row = [](const char *name, std::int64_t w, std::int64_t h, QString label,
                            QString dimensions) {
            QTest::newRow(name) << w << h << label << dimensions;
        };
        row("landscape 1080", 1920, 1080, u"1080p"_s, u"1920 \u00d7 1080"_s);
        row("720", 1280, 720, u"720p"_s, u"1280 \u00d7 720"_s);
        row("just below 4K", 3840, 2159, u"2159p"_s, u"3840 \u00d7 2159"_s);
        row("4K", 3840, 2160, u"4K"_s, u"3840 \u00d7 2160"_s);
        row("8K", 7680, 4320, u"4K"_s, u"7680 \u00d7 4320"_s);
        row("zero width", 0, 1080, u"\u2014"_s, u"\u2014"_s);
        row("negative", -1920, 1080, u"\u2014"_s, u"\u2014"_s);
    }

    void resolution() {
        QFETCH(std::int64_t, width);
        QFETCH(std::int64_t, height);
        QTEST(resolutionLabel(width, height), "label");
        QTEST(dimensionsText(width, height), "dimensions");
    }

    void sizeText_data() {
        QTest::addColumn<OptionalBytes>("bytes");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, OptionalBytes bytes, QString text) {
            QTest::newRow(name) << bytes << text;
        };
        row("none", std::nullopt, u"Unavailable"_s);
        row("zero", 0, u"Zero bytes"_s);
        row("one", 1, u"1 byte"_s);
        row("999", 999, u"999 bytes"_s);
        row("1000", 1000, u"1 kB"_s);
        row("1500 rounds up", 1500, u"2 kB"_s);
        row("999,999 reads as the next unit", 999'999, u"1 MB"_s);
        row("1,234,567", 1'234'567, u"1.2 MB"_s);
        row("105,000,000", 105'000'000, u"105 MB"_s);
        row("1,234,567,890,123", 1'234'567'890'123, u"1.23 TB"_s);
        row("largest", std::numeric_limits<std::int64_t>::max(), u"9.22 EB"_s);
    }

    void sizeText() {
        QFETCH(OptionalBytes, bytes);
        QTEST(orsenta::sizeText(bytes), "expected");
    }

    void sizeTextFollowsTheLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(orsenta::sizeText(1'500'000'000), u"1,5 GB"_s);
    }

    // Rows run in order: a zone is changed after the texts of another have been written.
    void dateTexts_data() {
        QTest::addColumn<QByteArray>("zone"); // empty: the New York zone the tests start in
        QTest::addColumn<Instant>("date");
        QTest::addColumn<QString>("shortText");
        QTest::addColumn<QStringList>("longFragments");
        const Instant noonInNewYork = utcTime(2023, 3, 5, 17, 7) + std::chrono::seconds(9);
        QTest::newRow("unknown") << QByteArray() << distantPast << u"Unknown date"_s
                                 << QStringList{u"Unknown date"_s};
        QTest::newRow("afternoon")
            << QByteArray() << localTime(2023, 3, 5, 14, 5, 7) << u"Mar 5, 2023"_s
            << QStringList{u"3/5/2023"_s, u"2:05:07"_s, u"PM"_s};
        // 04:30 UTC on the 6th is still the evening of the 5th in New York.
        QTest::newRow("late evening local")
            << QByteArray() << utcTime(2023, 3, 6, 4, 30) << u"Mar 5, 2023"_s
            << QStringList{u"3/5/2023"_s, u"11:30:00"_s};
        QTest::newRow("noon in New York") << QByteArray() << noonInNewYork << u"Mar 5, 2023"_s
                                          << QStringList{u"3/5/2023"_s, u"12:07:09"_s, u"PM"_s};
        QTest::newRow("the same moment after a move to Tokyo")
            << QByteArray("Asia/Tokyo") << noonInNewYork << u"Mar 6, 2023"_s
            << QStringList{u"3/6/2023"_s, u"2:07:09"_s, u"AM"_s};
        QTest::newRow("and to UTC") << QByteArray("UTC") << noonInNewYork << u"Mar 5, 2023"_s
                                    << QStringList{u"3/5/2023"_s, u"5:07:09"_s, u"PM"_s};
    }

    void dateTexts() {
        QFETCH(QByteArray, zone);
        QFETCH(Instant, date);
        QFETCH(QStringList, longFragments);
        if (!zone.isEmpty()) {
            qputenv("TZ", zone);
            tzset();
        }
        QTEST(shortDateText(date), "shortText");
        const QString longText = longDateText(date);
        for (const QString &fragment : longFragments)
            QVERIFY2(longText.contains(fragment), qPrintable(longText));
    }
};

ORSENTA_TEST_MAIN(TestDisplayText)
#include "tst_displaytext.moc"
