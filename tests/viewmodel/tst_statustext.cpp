// The status texts in English: one key per message, the noun agreeing with its count.

#include "support/testmain.h"
#include "viewmodel/statustext.h"

#include <functional>

using namespace orsenta;

using Make = std::function<StatusText(std::int64_t)>;
Q_DECLARE_METATYPE(Make)

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
        row("downloading", "Downloading 1 video…", "Downloading 2 videos…",
            StatusText::downloading);
        row("downloaded some", "Downloaded 0 of 1 video.", "Downloaded 0 of 2 videos.",
            [](auto n) { return StatusText::downloadedSome(0, n); });
        row("copied", "Copied 1 name.", "Copied 2 names.", StatusText::copiedNames);
        row("removed in Photos", "1 video removed in Photos.", "2 videos removed in Photos.",
            StatusText::removedInPhotos);
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

    void namesAreInsertedAsTheyAre() {
        QCOMPARE(StatusText::copiedName(u"100%1 \u2026"_qs).text(), u"Copied 100%1 \u2026."_qs);
        QCOMPARE(StatusText(StatusText::Key::countingVideos).text(), u"Counting videos\u2026"_qs);
    }
};

ORSENTA_TEST_MAIN(TestStatusText)
#include "tst_statustext.moc"
