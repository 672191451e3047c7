// SPDX-License-Identifier: GPL-3.0-or-later
// The table's model over the view model's list: its shape under QAbstractItemModelTester, one
// reset for a new row set, in-place updates that keep persistent indexes, what each column
// shows and sorts by, and the badges of identical copies.

#include "model/displaytext.h"
#include "ui/videocelldelegate.h"
#include "ui/videotablemodel.h"
#include "uitestfixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace orsenta;
using namespace orsenta::test;
using Pair = std::function<void(MemoryAsset &a, MemoryAsset &b)>;

Q_DECLARE_METATYPE(Pair)

namespace {

using Column = VideoTableModel::Column;

QString identifierAt(const QPersistentModelIndex &index) {
    return index.isValid() ? index.data(VideoTableModel::IdentifierRole).toString() : QString();
}

// Lets the model take the refresh the view model published.
void applyRefresh() {
    QCoreApplication::sendPostedEvents();
}

} // namespace

class TestVideoTableModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passesTheModelTesterThroughEveryKindOfChange() {
        ViewModelFixture f;
        VideoTableModel model(&f.vm);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(scanFour(f));
        applyRefresh();
        QCOMPARE(identifiersOf(model.rows()), identifiersOf(f.vm.visibleItems()));

        // Keep persistent indexes on every row so that each change has to carry them.
        std::vector<QPersistentModelIndex> kept;
        for (int row = 0; row < model.rowCount(); ++row)
            kept.emplace_back(model.index(row, int(Column::size)));

        f.vm.toggleFavorite(f.records({"b"}));
        QVERIFY(f.acted());
        applyRefresh();
        f.changeOutside({"a"});
        applyRefresh();
        f.vm.setSearchText(u"ta"_qs);
        f.vm.setSearchText(QString());
        f.platform->addAsset(video(u"e"_qs, 700, 2021, u"epsilon.mov"_qs));
        QVERIFY(f.scan());
        applyRefresh();
        QCOMPARE(identifiersOf(model.rows()), identifiersOf(f.vm.visibleItems()));
    }

    void aNewRowSetIsOneReset() {
        ViewModelFixture f;
        QVERIFY(scanFour(f));
        VideoTableModel model(&f.vm);
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.row(model.item(row).localIdentifier()), row);
        QCOMPARE(model.row(u"nothing"_qs), -1);
        QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);

        f.vm.setSearchText(u"ta"_qs);
        // Rows are found by identifier in the new set as soon as it is published.
        QCOMPARE(model.row(u"b"_qs), 1);
        QCOMPARE(model.row(u"a"_qs), -1);
        applyRefresh();

        QCOMPARE(aboutToReset.count(), 1);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(layout.count(), 0);
        QCOMPARE(identifiersOf(model.rows()), (QStringList{u"d"_qs, u"b"_qs}));
    }

    // A refresh of the same set leaves every other row's persistent index on its record; a row
    // changed in place is reported and shows its new state.
    void updatesOfTheSameSetKeepPersistentIndexes_data() {
        QTest::addColumn<Step>("change");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("changedInPlace"); // empty: rows move

        QTest::newRow("a favourite changes one row in place") << Step([](ViewModelFixture &f) {
            f.vm.toggleFavorite(f.records({"b"}));
            QVERIFY(f.acted());
        }) << QStringList{u"d"_qs, u"a"_qs, u"b"_qs, u"c"_qs} << u"b"_qs;
        QTest::newRow("a video removed outside leaves")
            << Step([](ViewModelFixture &f) { f.changeOutside({"a"}); })
            << QStringList{u"d"_qs, u"b"_qs, u"c"_qs} << QString();
        QTest::newRow("a deletion from the app leaves") << Step([](ViewModelFixture &f) {
            f.vm.requestDelete(f.records({"d"}));
            f.vm.confirmDelete();
            QVERIFY(f.acted());
        }) << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << QString();
    }
    void updatesOfTheSameSetKeepPersistentIndexes() {
        QFETCH(Step, change);
        QFETCH(QStringList, rows);
        QFETCH(QString, changedInPlace);
        ViewModelFixture f;
        QVERIFY(scanFour(f));
        VideoTableModel model(&f.vm);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::vector<QPersistentModelIndex> kept;
        QStringList before;
        for (int row = 0; row < model.rowCount(); ++row) {
            kept.emplace_back(model.index(row, int(Column::video)));
            before.append(identifierAt(kept.back()));
        }
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);

        change(f);
        applyRefresh();

        QCOMPARE(reset.count(), 0);
        QCOMPARE(identifiersOf(model.rows()), rows);
        QCOMPARE(layout.count() > 0, changedInPlace.isEmpty());
        if (!changedInPlace.isEmpty()) {
            const int row = model.row(changedInPlace);
            QVERIFY(std::any_of(changed.cbegin(), changed.cend(), [row](const QList<QVariant> &s) {
                return s[0].toModelIndex().row() <= row && row <= s[1].toModelIndex().row();
            }));
            QVERIFY(model.item(row).isFavorite());
        }
        for (std::size_t i = 0; i < kept.size(); ++i) {
            if (rows.contains(before[qsizetype(i)]))
                QCOMPARE(identifierAt(kept[i]), before[qsizetype(i)]);
            else
                QVERIFY(!kept[i].isValid());
        }
    }

    // The text shown, the raw value sorted by, the help, and what a screen reader adds.
    void columnsShowTextsAndSortByRawValues_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QVariant>("sort");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("description");
        const qint64 bytes = 1'500'000'000;
        const QSize uhd(3840, 2160);
        const auto row = [](const char *name, qint64 size, double seconds, QSize pixels,
                            Column column, const QString &display, QVariant sort,
                            const QString &toolTip, const QString &description = {}) {
            QTest::newRow(name) << size << seconds << pixels << int(column) << display << sort
                                << toolTip << description;
        };
        row("name", bytes, 65, uhd, Column::video, u"clip.mov"_qs, QVariant(u"clip.mov"_qs),
            u"clip.mov"_qs, u"Thumbnail for clip.mov"_qs);
        row("size", bytes, 65, uhd, Column::size, u"1.5 GB"_qs, QVariant(qint64(bytes)), {});
        row("duration", bytes, 65, uhd, Column::duration, u"1:05"_qs, QVariant(65.0), {});
        row("duration not read", bytes, 0, uhd, Column::duration, u"\u2014"_qs, QVariant(0.0), {});
        row("landscape", bytes, 65, uhd, Column::resolution, u"4K"_qs,
            QVariant(qint64(3840 * 2160)), u"3840 × 2160"_qs, u"Landscape"_qs);
        row("portrait", bytes, 65, QSize(1080, 1920), Column::resolution, u"1080p"_qs,
            QVariant(qint64(1080 * 1920)), u"1080 × 1920"_qs, u"Portrait"_qs);
        // The long date is the help for the short one.
        const Instant created = localTime(2022, 6, 15, 12);
        row("created", bytes, 65, uhd, Column::created, shortDateText(created),
            QVariant(qint64(created.time_since_epoch().count())), longDateText(created));
    }
    void columnsShowTextsAndSortByRawValues() {
        QFETCH(qint64, bytes);
        QFETCH(double, seconds);
        QFETCH(QSize, pixels);
        QFETCH(int, column);
        QFETCH(QString, display);
        QFETCH(QVariant, sort);
        QFETCH(QString, toolTip);
        QFETCH(QString, description);
        ViewModelFixture f;
        MemoryAsset asset = video(u"x"_qs, bytes, 2022, u"clip.mov"_qs);
        asset.asset.duration = seconds;
        asset.asset.pixelWidth = pixels.width();
        asset.asset.pixelHeight = pixels.height();
        f.add({asset});
        QVERIFY(f.start());
        VideoTableModel model(&f.vm);
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex cell = model.index(0, column);
        QCOMPARE(cell.data().toString(), display);
        QCOMPARE(cell.data(VideoTableModel::SortRole), sort);
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), toolTip);
        QCOMPARE(cell.data(Qt::AccessibleDescriptionRole).toString(), description);
    }

    // peakBytes is the largest known size; the bar is bytes / peak raised to 2 %.
    void barsAreRelativeToThePeakWithAFloor_data() {
        QTest::addColumn<QList<qint64>>("sizes"); // -1: unknown
        QTest::addColumn<qint64>("peak");
        QTest::addColumn<QList<double>>("fractions"); // -1: no bar
        QTest::newRow("all unknown: no peak, no bars")
            << QList<qint64>{-1, -1} << qint64(0) << QList<double>{-1, -1};
        QTest::newRow("1 GB and 10 MB: full and the 2 % floor")
            << QList<qint64>{1'000'000'000, 10'000'000} << qint64(1'000'000'000)
            << QList<double>{1.0, 0.02};
        QTest::newRow("a tiny size shows 2 %, an unknown none")
            << QList<qint64>{400, 4, -1} << qint64(400) << QList<double>{1.0, 0.02, -1};
        QTest::newRow("half of the peak")
            << QList<qint64>{800, 400} << qint64(800) << QList<double>{1.0, 0.5};
    }
    void barsAreRelativeToThePeakWithAFloor() {
        QFETCH(QList<qint64>, sizes);
        QFETCH(qint64, peak);
        QFETCH(QList<double>, fractions);
        ViewModelFixture f;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            const QString id = QString::number(i);
            if (sizes[i] < 0)
                f.add({bareAsset(id)});
            else
                f.add({video(id, sizes[i])});
        }
        QVERIFY(f.start());
        VideoTableModel model(&f.vm);
        QCOMPARE(model.peakBytes(), peak);
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            const VideoItem &record = model.item(model.row(QString::number(i)));
            const auto fraction =
                VideoCellDelegate::barFraction(record.sizeState().knownBytes(), model.peakBytes());
            if (fractions[i] < 0)
                QVERIFY(!fraction);
            else
                QCOMPARE(fraction.value_or(-1), fractions[i]);
        }
    }

    void aKnownZeroStillShowsTheFloor() {
        QCOMPARE(VideoCellDelegate::barFraction(0, 400), std::optional<double>(0.02));
        QCOMPARE(VideoCellDelegate::barFraction(0, 0), std::nullopt);
        QCOMPARE(VideoCellDelegate::barFraction(std::nullopt, 400), std::nullopt);
    }

    // Two videos of one size, "a" and "b", as the row makes them: their badges once the check
    // for identical copies has read them, and the description a screen reader hears.
    void badgesNameIdenticalCopiesAndTheOneKept_data() {
        QTest::addColumn<Pair>("setup");
        QTest::addColumn<QStringList>("aBadges");
        QTest::addColumn<QStringList>("bBadges");
        const QString copies = u"Copies ×2"_qs;
        const auto row = [](const char *name, Pair setup, const QStringList &a,
                            const QStringList &b) { QTest::newRow(name) << setup << a << b; };
        row("alike in every way", [](MemoryAsset &, MemoryAsset &) {},
            {copies, u"Kept: first of equals"_qs}, {copies});
        row("oldest",
            [](MemoryAsset &, MemoryAsset &b) { b.asset.creationDate = localTime(2019, 1, 1); },
            {copies}, {copies, u"Kept: oldest"_qs});
        row("favourite before oldest",
            [](MemoryAsset &a, MemoryAsset &b) {
                a.asset.isFavorite = true;
                b.asset.creationDate = localTime(2019, 1, 1);
            },
            {copies, u"Kept: favourite"_qs}, {copies});
        row("original name",
            [](MemoryAsset &a, MemoryAsset &) {
                a.asset.members.set(platform::members::originalFilename,
                                    platform::ObjectMember{u"a copy.mov"_qs});
            },
            {copies}, {copies, u"Kept: original name"_qs});
        row("earliest file",
            [](MemoryAsset &, MemoryAsset &b) { b.asset.file.fileTime = localTime(2020, 1, 1); },
            {copies}, {copies, u"Kept: earliest file"_qs});
        row("shortest path",
            [](MemoryAsset &a, MemoryAsset &b) {
                a.asset.file.pathLength = 40;
                b.asset.file.pathLength = 20;
            },
            {copies}, {copies, u"Kept: shortest path"_qs});
        row("one size, other bytes",
            [](MemoryAsset &a, MemoryAsset &b) {
                a.resourceData = "one";
                b.resourceData = "two";
            },
            {}, {});
        row("unknown sizes",
            [](MemoryAsset &a, MemoryAsset &b) {
                a = bareAsset(u"a"_qs);
                b = bareAsset(u"b"_qs);
            },
            {}, {});
        row("a screen recording",
            [](MemoryAsset &a, MemoryAsset &) {
                a.asset.mediaSubtypes = platform::screenRecordingSubtype;
            },
            {u"Screen recording"_qs, copies, u"Kept: first of equals"_qs}, {copies});
    }
    void badgesNameIdenticalCopiesAndTheOneKept() {
        QFETCH(Pair, setup);
        QFETCH(QStringList, aBadges);
        QFETCH(QStringList, bBadges);
        ViewModelFixture f;
        MemoryAsset a = video(u"a"_qs, 300, 2020);
        MemoryAsset b = video(u"b"_qs, 300, 2020);
        setup(a, b);
        f.add({a, b});
        QVERIFY(f.start());
        QVERIFY(QTest::qWaitFor([&f] { return !f.vm.copyCheck(); }));
        VideoTableModel model(&f.vm);
        for (const auto &[id, expected] :
             {std::pair(u"a"_qs, aBadges), std::pair(u"b"_qs, bBadges)}) {
            const int row = model.row(id);
            QStringList texts;
            for (const VideoTableModel::Badge &badge : model.badges(model.item(row)))
                texts << badge.text;
            QCOMPARE(texts, expected);
            const QString description =
                model.index(row, int(Column::video)).data(Qt::AccessibleDescriptionRole).toString();
            const QString said =
                expected.isEmpty() ? QString() : u", "_qs + expected.join(u", "_qs);
            QCOMPARE(description.right(said.size()), said);
        }
    }
};

ORSENTA_WIDGET_TEST_MAIN(TestVideoTableModel)
#include "tst_videotablemodel.moc"
