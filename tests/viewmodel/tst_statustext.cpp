// SPDX-License-Identifier: GPL-3.0-or-later
// The status texts in English: one key per message, the noun agreeing with its count.

#include "support/testmain.h"
#include "viewmodel/statustext.h"

#include <QLocale>

#include <functional>

using namespace orsenta;

using Make = std::function<StatusText(std::int64_t)>;
Q_DECLARE_METATYPE(Make)
Q_DECLARE_METATYPE(StatusText)

class TestStatusText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pluralsAgree_data() {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("two");
        const auto row = [](const char *name, const char *one, const char *two, Make make) {
            QTest::newRow(name) << make << QString::fromUtf8(one) << QString::fromUtf8(two);
        };
        // The texts the view model's tests do not already show in both numbers.
        row("loaded", "Loaded 0 of 1 video.", "Loaded 0 of 2 videos.",
            [](auto n) { return StatusText::loaded(0, n); });
        row("completed", "1 video, size known for 0.", "2 videos, size known for 0.",
            [](auto n) { return StatusText::scanCompleted(n, 0); });
        row("saving copies", "Saving copies of 1 video…", "Saving copies of 2 videos…",
            StatusText::downloading);
        row("saved some copies", "Saved copies of 0 of 1 video.", "Saved copies of 0 of 2 videos.",
            [](auto n) { return StatusText::downloadedSome(0, n); });
        row("copied", "Copied 1 name.", "Copied 2 names.", StatusText::copiedNames);
        row("removed from the folders", "1 video removed from your folders.",
            "2 videos removed from your folders.", StatusText::removedInPhotos);
        // Byte counts read as sizes, and the videos whose blocks stay are counted apart.
        row("moved, some freeing nothing",
            "Moved 1 video to the Trash. Emptying it frees 1.5 MB; nothing for 1 of them, whose "
            "blocks other links or copies share.",
            "Moved 2 videos to the Trash. Emptying it frees 1.5 MB; nothing for 1 of them, whose "
            "blocks other links or copies share.",
            [](auto n) { return StatusText::deleted(n, 1'500'000, 1); });
        row("checking", "Checking 1 group of same-size videos… 2 kB of 3.5 GB",
            "Checking 2 groups of same-size videos… 2 kB of 3.5 GB",
            [](auto n) { return StatusText::checkingCopies(n, 2'000, 3'500'000'000); });
        row("restored", "Put 1 video back from the Trash.", "Put 2 videos back from the Trash.",
            StatusText::restored);
    }
    void pluralsAgree() {
        QFETCH(Make, make);
        QFETCH(QString, one);
        QFETCH(QString, two);
        QCOMPARE(make(1).text(), one);
        QCOMPARE(make(2).text(), two);
        QCOMPARE(make(1).key(), make(2).key());
    }

    // Every count is written as the locale groups digits, the one the noun agrees with too.
    void countsAreGroupedByLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<StatusText>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("completed, en_US")
            << u"en_US"_qs << StatusText::scanCompleted(100'000, 99'999)
            << u"100,000 videos, size known for 99,999."_qs;
        QTest::newRow("loaded, de_DE") << u"de_DE"_qs << StatusText::loaded(1'234, 100'000)
                                       << u"Loaded 1.234 of 100.000 videos."_qs;
        QTest::newRow("moving, en_US") << u"en_US"_qs << StatusText::deleting(12'345)
                                       << u"Moving 12,345 videos to the Trash…"_qs;
    }
    void countsAreGroupedByLocale() {
        QFETCH(QString, locale);
        QFETCH(StatusText, status);
        QFETCH(QString, text);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const QString shown = status.text();
        QLocale::setDefault(before);
        QCOMPARE(shown, text);
    }

    void namesAreInsertedAsTheyAre() {
        QCOMPARE(StatusText::copiedName(u"100%1 \u2026"_qs).text(), u"Copied 100%1 \u2026."_qs);
        QCOMPARE(StatusText(StatusText::Key::countingVideos).text(), u"Counting videos\u2026"_qs);
    }
};

ORSENTA_TEST_MAIN(TestStatusText)
#include "tst_statustext.moc"
