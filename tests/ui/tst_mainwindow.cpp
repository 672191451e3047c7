// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user drives it: typing, clicking the sidebar, selecting, and
// answering its dialogs, with what it shows read back from the widgets.

#include "model/displaytext.h"
#include "ui/bytecountview.h"
#include "ui/datebucketrow.h"
#include "ui/detailviews.h"
#include "ui/sidebar.h"
#include "ui/videotablemodel.h"
#include "windowtestsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

#include <random>

using namespace orsenta;
using namespace orsenta::test;
using Placeholder = MainWindow::Placeholder;
using Setup = std::function<void(WindowFixture &)>;

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Placeholder)
Q_DECLARE_METATYPE(platform::LibraryCondition)

namespace {

constexpr std::int64_t MB = 1'000'000;

QStringList rowTitles(const Sidebar &sidebar) {
    QStringList titles;
    for (const DateBucketRow *row : sidebar.dateRows())
        titles << row->title() + (row->isSelected() ? QStringLiteral("*") : QString())
                      + (row->isIndented() ? QStringLiteral(">") : QString());
    return titles;
}

DateBucketRow *rowTitled(const Sidebar &sidebar, const QString &title) {
    for (DateBucketRow *row : sidebar.dateRows()) {
        if (row->title() == title)
            return row;
    }
    return nullptr;
}

QPushButton *buttonTitled(QMessageBox *box, const QString &text) {
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text)
            return qobject_cast<QPushButton *>(button);
    }
    return nullptr;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typingInTheSearchFieldFiltersTheTable() {
        WindowFixture f;
        f.add({videoOn(u"beach"_qs, 10 * MB, 2023), videoOn(u"birthday"_qs, 20 * MB, 2023),
               videoOn(u"concert"_qs, 30 * MB, 2022)});
        QVERIFY(f.open());
        QCOMPARE(f.tableRows(), 3);

        QTest::keyClicks(f.window.searchField(), u"bi"_qs);
        QCOMPARE(f.vm().searchText(), u"bi"_qs);
        QCOMPARE(f.tableRows(), 1);
        QCOMPARE(f.vm().visibleItems().front().localIdentifier(), u"birthday"_qs);

        QTest::keyClick(f.window.searchField(), Qt::Key_Backspace);
        QCOMPARE(f.tableRows(), 2);
        // A change made elsewhere shows in the field.
        f.vm().setSearchText(u"concert"_qs);
        QCOMPARE(f.window.searchField()->text(), u"concert"_qs);
        QCOMPARE(f.tableRows(), 1);

        // Ctrl+F from the table puts the keyboard in the field, ready to replace the search.
        f.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.window.table()->setFocus();
        QTest::keyClick(f.window.table(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(f.window.searchField()->hasFocus());
        QCOMPARE(f.window.searchField()->selectedText(), u"concert"_qs);
    }

    void clearFiltersResetsSearchSizeDateAndDuplicatesInOrder_data() {
        QTest::addColumn<bool>("fromPlaceholder");
        QTest::addRow("sidebar") << false;
        QTest::addRow("no-matches placeholder") << true;
    }
    void clearFiltersResetsSearchSizeDateAndDuplicatesInOrder() {
        QFETCH(bool, fromPlaceholder);
        WindowFixture f;
        f.add({videoOn(u"a"_qs, 300 * MB, 2023), videoOn(u"b"_qs, 300 * MB, 2023),
               videoOn(u"c"_qs, 5 * MB, 2022)});
        QVERIFY(f.open());
        f.vm().selectYear(2023);
        f.vm().select(DateFilter::year(2023), true);
        f.vm().setSizeFilter(SizeFilter::atLeast100MB);
        f.vm().setSearchText(u"zzz"_qs);
        QCOMPARE(f.window.placeholder(), Placeholder::noMatches);
        QVERIFY(f.window.sidebar()->clearFiltersButton()->isVisibleTo(&f.window));

        QStringList order;
        auto record = [&](auto signal, const char *name) {
            QObject::connect(&f.vm(), signal, &f.window,
                             [&order, name] { order << QString::fromLatin1(name); });
        };
        record(&VideoListViewModel::searchTextChanged, "search");
        record(&VideoListViewModel::sizeFilterChanged, "size");
        record(&VideoListViewModel::dateFilterChanged, "date");
        record(&VideoListViewModel::showsDuplicatesChanged, "duplicates");
        if (fromPlaceholder)
            QTest::mouseClick(f.window.emptyState()->button(), Qt::LeftButton);
        else
            QTest::mouseClick(f.window.sidebar()->clearFiltersButton(), Qt::LeftButton);

        QVERIFY(order.indexOf(u"search"_qs) == 0);
        QVERIFY(order.indexOf(u"size"_qs) == 1);
        QVERIFY(order.indexOf(u"date"_qs) > 1);
        QVERIFY(order.indexOf(u"duplicates"_qs) > 1);
        QCOMPARE(f.vm().searchText(), QString());
        QCOMPARE(f.window.searchField()->text(), QString());
        QCOMPARE(f.vm().sizeFilter(), SizeFilter::none);
        QCOMPARE(f.window.sidebar()->sizeFilterBox()->currentText(), u"All sizes"_qs);
        QVERIFY(f.vm().dateFilter().isAll());
        QVERIFY(!f.vm().showsDuplicates());
        QCOMPARE(f.vm().expandedYear(), std::optional<std::int64_t>(2023)); // stays open
        QCOMPARE(f.window.placeholder(), Placeholder::none);
        QCOMPARE(f.tableRows(), 3);
        QVERIFY(!f.window.sidebar()->clearFiltersButton()->isVisibleTo(&f.window));
    }

    void aYearRowOpensItsMonthsAndTheBackControlReturns() {
        WindowFixture f;
        f.add({videoOn(u"mar"_qs, 10 * MB, 2023, 3), videoOn(u"jun"_qs, 40 * MB, 2023, 6),
               videoOn(u"old"_qs, 20 * MB, 2022, 1)});
        QVERIFY(f.open());
        Sidebar &sidebar = *f.window.sidebar();
        QCOMPARE(rowTitles(sidebar), (QStringList{u"All dates*"_qs, u"2023"_qs, u"2022"_qs}));
        QVERIFY(!sidebar.backButton()->isVisibleTo(&f.window));
        QVERIFY(!sidebar.dateRows()[0]->fraction()); // "All dates" has no bar
        QVERIFY(sidebar.dateRows()[1]->showsDisclosure());
        QCOMPARE(sidebar.dateRows()[1]->countText(), u"2 videos"_qs);
        QCOMPARE(sidebar.dateRows()[2]->countText(), u"1 video"_qs);

        // The year's row stays the same widget as the year opens and closes, so that its
        // numbers and selection roll instead of being drawn anew.
        const QPointer<DateBucketRow> yearRow = rowTitled(sidebar, u"2023"_qs);
        QTest::mouseClick(yearRow, Qt::LeftButton);
        QCOMPARE(f.vm().expandedYear(), std::optional<std::int64_t>(2023));
        QCOMPARE(rowTitles(sidebar), (QStringList{u"2023*"_qs, u"Jun>"_qs, u"Mar>"_qs}));
        QCOMPARE(rowTitled(sidebar, u"2023"_qs), yearRow.data());
        QVERIFY(sidebar.backButton()->isVisibleTo(&f.window));
        QVERIFY(!sidebar.dateRows()[0]->fraction()); // the open year's own row has no bar
        QCOMPARE(sidebar.dateRows()[1]->fraction(), std::optional<double>(1.0));
        QCOMPARE(f.tableRows(), 2);

        QTest::mouseClick(rowTitled(sidebar, u"Mar"_qs), Qt::LeftButton);
        QCOMPARE(rowTitles(sidebar), (QStringList{u"2023"_qs, u"Jun>"_qs, u"Mar*>"_qs}));
        QCOMPARE(f.tableRows(), 1);
        QTest::mouseClick(rowTitled(sidebar, u"2023"_qs), Qt::LeftButton);
        QCOMPARE(rowTitles(sidebar), (QStringList{u"2023*"_qs, u"Jun>"_qs, u"Mar>"_qs}));

        QTest::mouseClick(sidebar.backButton(), Qt::LeftButton);
        QCOMPARE(f.vm().expandedYear(), std::nullopt);
        QCOMPARE(rowTitles(sidebar), (QStringList{u"All dates*"_qs, u"2023"_qs, u"2022"_qs}));
        QCOMPARE(f.tableRows(), 3);
        QCOMPARE(rowTitled(sidebar, u"2023"_qs), yearRow.data());
        // Three date rows, the copies row and the similar copies row.
        QTRY_COMPARE(sidebar.findChildren<DateBucketRow *>().size(), qsizetype(3 + 2));
    }

    // Only videos whose bytes are equal are copies: the two of 5 MB hold other bytes. Until
    // the check after the scan has read them, same-size videos are only being checked, and
    // Select Extra Copies, clicked meanwhile, selects once it ends.
    void theLibraryAndIdenticalCopiesRowsAndSelectExtraCopies_data() {
        QTest::addColumn<bool>("withCopies");
        QTest::addColumn<QString>("checking");
        QTest::addRow("copies and strangers")
            << true << u"Checking 2 groups of same-size videos…"_qs;
        QTest::addRow("strangers of one size only")
            << false << u"Checking 1 group of same-size videos…"_qs;
    }
    void theLibraryAndIdenticalCopiesRowsAndSelectExtraCopies() {
        QFETCH(bool, withCopies);
        QFETCH(QString, checking);
        WindowFixture f;
        MemoryAsset one = videoOn(u"s1"_qs, 5 * MB, 2020);
        one.resourceData = "one";
        MemoryAsset two = videoOn(u"s2"_qs, 5 * MB, 2020);
        two.resourceData = "two";
        f.add({one, two, videoOn(u"d"_qs, 9 * MB, 2023),
               bareAsset(u"lost"_qs, localTime(2022, 1, 1))});
        if (withCopies) {
            f.add({videoOn(u"a"_qs, 7 * MB, 2021), videoOn(u"b"_qs, 7 * MB, 2022),
                   videoOn(u"c"_qs, 7 * MB, 2023)});
        }
        // What shows as the check begins, and a click then: the check may end before the event
        // loop turns again.
        QStringList whileChecking;
        QObject::connect(&f.window, &MainWindow::modelCreated, &f.window, [&](auto *vm) {
            QObject::connect(
                vm, &VideoListViewModel::copyCheckChanged, &f.window, [&f, &whileChecking, vm] {
                    if (!vm->copyCheck() || !whileChecking.isEmpty())
                        return;
                    Sidebar &sidebar = *f.window.sidebar();
                    QAbstractButton *select = sidebar.selectExtraCopiesButton();
                    const auto *table = qobject_cast<VideoTableModel *>(f.window.table()->model());
                    whileChecking << sidebar.copyCheckText() << select->toolTip();
                    const VideoItem stranger = vm->items({u"s1"_qs}).front();
                    for (const VideoTableModel::Badge &badge : table->badges(stranger))
                        whileChecking << badge.text;
                    QTest::mouseClick(select, Qt::LeftButton);
                });
        });
        QVERIFY(f.open());
        QCOMPARE(whileChecking,
                 (QStringList{checking,
                              u"Selects the extra copies once the check for identical copies "
                              u"ends."_qs,
                              u"Checking…"_qs}));
        Sidebar &sidebar = *f.window.sidebar();
        QCOMPARE(sidebar.copyCheckText(), QString()); // the check has ended
        QVERIFY(f.vm().showsDuplicates());
        if (!withCopies) {
            QVERIFY(!sidebar.copiesRow()->isVisibleTo(&f.window));
            QVERIFY(!sidebar.selectExtraCopiesButton()->isVisibleTo(&f.window));
            QVERIFY(f.vm().selectedIDs().isEmpty());
            return;
        }
        QCOMPARE(f.vm().selectedIDs(), f.ids({"b", "c"}));
        f.vm().select(DateFilter::all(), false);
        QCOMPARE(sidebar.libraryValue(u"Videos"_qs), u"7"_qs);
        QCOMPARE(sidebar.libraryValue(u"Shown"_qs), QString()); // only while something is hidden
        QCOMPARE(sidebar.libraryValue(u"Size unknown"_qs), u"1"_qs);
        QCOMPARE(sidebar.totalSizeView()->text(), sizeText(40 * MB));
        QVERIFY(sidebar.copiesRow()->isVisibleTo(&f.window));
        QCOMPARE(sidebar.copiesRow()->count(), 3);
        QCOMPARE(sidebar.copiesRow()->bytes(), 14 * MB); // what deleting b and c gives back
        QVERIFY(!sidebar.copiesRow()->fraction());
        f.vm().selectYear(2023);

        QTest::mouseClick(sidebar.selectExtraCopiesButton(), Qt::LeftButton);
        QVERIFY(f.vm().showsDuplicates());
        QVERIFY(sidebar.copiesRow()->isSelected());
        QCOMPARE(f.vm().expandedYear(), std::nullopt);
        QCOMPARE(f.vm().selectedIDs(), f.ids({"b", "c"})); // the oldest copy stays
        QCOMPARE(f.tableRows(), 3);
        QCOMPARE(sidebar.libraryValue(u"Shown"_qs), u"3"_qs);
        QVERIFY(sidebar.clearFiltersButton()->isVisibleTo(&f.window));
    }

    // Similar videos have their row and badges; Select Extra Similar Copies… says what each group
    // keeps before it selects, and Cancel selects nothing.
    void similarVideosAreConfirmedBeforeTheyAreSelected() {
        WindowFixture f;
        const auto copy = [](const char *id, std::int64_t bytes, int width, std::uint64_t flipped) {
            MemoryAsset a = videoOn(QString::fromLatin1(id), bytes, 2022);
            a.asset.duration = 30;
            a.asset.pixelWidth = width;
            a.asset.pixelHeight = width * 9 / 16;
            std::mt19937_64 frames(7);
            for (int i = 0; i < fingerprintFrameCount; ++i)
                a.asset.file.fingerprint.frames.push_back((frames() | 1) ^ flipped);
            return a;
        };
        f.add({copy("big", 9 * MB, 1920, 0), copy("small", 2 * MB, 640, 0x7e),
               videoOn(u"other"_qs, 5 * MB, 2021)});
        QVERIFY(f.open());
        Sidebar &sidebar = *f.window.sidebar();
        QVERIFY(sidebar.similarRow()->isVisibleTo(&f.window));
        QCOMPARE(sidebar.similarRow()->count(), 2);
        QCOMPARE(sidebar.similarRow()->bytes(), 2 * MB);
        const auto *table = qobject_cast<VideoTableModel *>(f.window.table()->model());
        const auto badgeTexts = [&](const char *id) {
            QStringList texts;
            for (const VideoTableModel::Badge &badge :
                 table->badges(f.vm().items({QString::fromLatin1(id)}).front()))
                texts << badge.text;
            return texts;
        };
        QCOMPARE(badgeTexts("big"), (QStringList{u"Similar ×2"_qs, u"Kept: largest picture"_qs}));
        QCOMPARE(badgeTexts("small"), QStringList{u"Similar ×2"_qs});
        QVERIFY(badgeTexts("other").isEmpty());
        for (const bool accept : {false, true}) {
            QTest::mouseClick(sidebar.selectExtraSimilarButton(), Qt::LeftButton);
            QMessageBox *box = f.window.similarConfirmation();
            QVERIFY(box);
            QCOMPARE(box->text(), u"Select the extra copies of 1 group of similar videos?"_qs);
            QVERIFY2(box->informativeText().startsWith(
                         u"Keeps “big.mov” (largest picture) and selects 1 other\n"_qs),
                     qPrintable(box->informativeText()));
            QAbstractButton *answer = box->button(QMessageBox::Cancel);
            for (QAbstractButton *button : box->buttons()) {
                if (accept && button->text() == u"Select Extra Copies"_qs)
                    answer = button;
            }
            answer->click();
            QCOMPARE(f.vm().selectedIDs(), accept ? f.ids({"small"}) : QSet<QString>());
        }
        QVERIFY(sidebar.similarRow()->isSelected());
        QCOMPARE(f.tableRows(), 2);
        // The compare view follows the model's group, and closing it clears the group.
        f.vm().compareSimilar(f.vm().items({u"small"_qs}).front());
        QVERIFY(f.window.compareView() && f.window.compareView()->isVisible());
        f.window.compareView()->reject();
        QVERIFY(!f.vm().comparedGroup());
    }

    void selectionBarTexts_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("detail");
        const auto row = [](const char *name, const QStringList &selected, const QString &count,
                            const QString &detail) {
            QTest::addRow("%s", name) << selected << count << u"Frees "_qs + detail;
        };
        const QString emptied = u" once the Trash is emptied"_qs;
        row("one", {u"a"_qs}, u"1 video selected"_qs, sizeText(100 * MB) + emptied);
        row("two", {u"a"_qs, u"b"_qs}, u"2 videos selected"_qs, sizeText(1'600 * MB) + emptied);
        row("unknown size", {u"a"_qs, u"lost"_qs}, u"2 videos selected"_qs,
            sizeText(100 * MB) + emptied + u" \u00b7 1 video with unknown size"_qs);
        row("only unknown", {u"lost"_qs, u"gone"_qs}, u"2 videos selected"_qs,
            sizeText(0) + emptied + u" \u00b7 2 videos with unknown size"_qs);
    }
    void selectionBarTexts() {
        QFETCH(QStringList, selected);
        QFETCH(QString, count);
        QFETCH(QString, detail);
        WindowFixture f;
        MemoryAsset a = videoOn(u"a"_qs, 150 * MB, 2023);
        a.asset.file.freedBytes = 100 * MB; // the rest is shared with another file
        f.add({a, videoOn(u"b"_qs, 1'500 * MB, 2023), bareAsset(u"lost"_qs, localTime(2022, 1, 1)),
               bareAsset(u"gone"_qs, localTime(2022, 1, 2))});
        QVERIFY(f.open());
        QVERIFY(!f.window.selectionBar()->isVisibleTo(&f.window));

        f.vm().setSelectedIDs(QSet<QString>(selected.cbegin(), selected.cend()));
        QVERIFY(f.window.selectionBar()->isVisibleTo(&f.window));
        QCOMPARE(f.window.selectionBar()->countText(), count);
        QCOMPARE(f.window.selectionBar()->detailText(), detail);

        QTest::mouseClick(f.window.selectionBar()->deselectButton(), Qt::LeftButton);
        QVERIFY(f.vm().selectedIDs().isEmpty());
        QVERIFY(!f.window.selectionBar()->isVisibleTo(&f.window));
    }

    // The confirmed videos go to the Trash, which the sidebar then shows and opens, and come
    // back with Undo, from the keyboard or the sidebar.
    void deleteConfirmationTheTrashAndUndo_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("title");
        QTest::addColumn<qint64>("freed");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("undoByKey");
        const QStringList three{u"a"_qs, u"b"_qs, u"c"_qs};
        QTest::addRow("three, cancelled")
            << three << u"Move 3 videos to the Trash?"_qs << qint64(3 * MB) << false << false;
        QTest::addRow("three, undone with Ctrl+Z")
            << three << u"Move 3 videos to the Trash?"_qs << qint64(3 * MB) << true << true;
        QTest::addRow("one, undone from the sidebar")
            << QStringList{u"a"_qs} << u"Move 1 video to the Trash?"_qs << qint64(MB) << true
            << false;
    }
    void deleteConfirmationTheTrashAndUndo() {
        QFETCH(QStringList, selected);
        QFETCH(QString, title);
        QFETCH(qint64, freed);
        QFETCH(bool, confirm);
        QFETCH(bool, undoByKey);
        WindowFixture f;
        MemoryAsset c = videoOn(u"c"_qs, 3 * MB, 2023);
        c.asset.file.freedBytes = 0; // a link outside the library keeps its blocks
        f.add({videoOn(u"a"_qs, 1 * MB, 2023), videoOn(u"b"_qs, 2 * MB, 2023), c,
               videoOn(u"keep"_qs, 4 * MB, 2023)});
        QVERIFY(f.open());
        Sidebar &sidebar = *f.window.sidebar();
        QCOMPARE(sidebar.trashText(), QString());
        f.vm().setSelectedIDs(QSet<QString>(selected.cbegin(), selected.cend()));
        QVERIFY(!f.window.deleteConfirmation());

        QTest::mouseClick(f.window.selectionBar()->deleteButton(), Qt::LeftButton);
        QMessageBox *box = f.window.deleteConfirmation();
        QVERIFY(box);
        QCOMPARE(box->text(), title);
        QVERIFY(box->informativeText().contains(
            sizeText(freed) + u" returns to the disk when the Trash is emptied."_qs));
        QVERIFY(box->isVisible());
        QVERIFY(f.vm().showDeleteConfirmation());

        const QString button = confirm ? u"Move to Trash"_qs : u"Cancel"_qs;
        QVERIFY(buttonTitled(box, button));
        buttonTitled(box, button)->click();
        QVERIFY(!f.window.deleteConfirmation());
        QVERIFY(!f.vm().showDeleteConfirmation());
        QVERIFY(f.settled());
        const std::size_t left = confirm ? 4 - std::size_t(selected.size()) : 4;
        QCOMPARE(f.vm().items().size(), left);
        if (!confirm) {
            QCOMPARE(sidebar.trashText(), QString());
            QVERIFY(!f.window.undoAction()->isEnabled());
            QVERIFY(!sidebar.undoButton()->isVisibleTo(&f.window));
            return;
        }

        const QString videos =
            selected.size() == 1 ? u"1 video"_qs : u"%1 videos"_qs.arg(selected.size());
        QTRY_COMPARE(sidebar.trashText(), u"In the Trash: %1, %2"_qs.arg(videos, sizeText(freed)));
        QTest::mouseClick(sidebar.openTrashButton(), Qt::LeftButton);
        QCOMPARE(f.toolkit->trashOpenings, 1);

        QVERIFY(f.window.undoAction()->isEnabled());
        QVERIFY(sidebar.undoButton()->isVisibleTo(&f.window));
        if (undoByKey) {
            f.window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&f.window));
            QTest::keyClick(f.window.table(), Qt::Key_Z, Qt::ControlModifier);
        } else {
            QTest::mouseClick(sidebar.undoButton(), Qt::LeftButton);
        }
        // The videos come back through the scan that follows the restore.
        QVERIFY(QTest::qWaitFor([&f] { return f.tableRows() == 4; }));
        QVERIFY(f.settled());
        QCOMPARE(f.vm().items().size(), std::size_t(4));
        QTRY_COMPARE(sidebar.trashText(), QString());
        QVERIFY(!f.window.undoAction()->isEnabled());
        QVERIFY(!sidebar.undoButton()->isVisibleTo(&f.window));
    }

    void theErrorAlertShowsTheLatestFailureAndItsDismissalClearsIt() {
        WindowFixture f;
        QVERIFY(f.open());
        QVERIFY(!f.window.errorAlert());
        f.vm().setErrorMessage(u"The disk is full."_qs);
        QMessageBox *alert = f.window.errorAlert();
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(alert->text(), u"Something went wrong"_qs);
        QVERIFY(alert->informativeText().contains(u"The disk is full."_qs));

        f.vm().setErrorMessage(u"The videos could not be <b>moved</b>."_qs);
        QCOMPARE(f.window.errorAlert(), alert);
        QVERIFY(!alert->informativeText().contains(u"The disk is full."_qs));
        // Shown as written, not read as markup.
        QVERIFY(alert->informativeText().contains(u"&lt;b&gt;moved&lt;/b&gt;"_qs));

        QVERIFY(buttonTitled(alert, u"OK"_qs));
        buttonTitled(alert, u"OK"_qs)->click();
        QCOMPARE(f.vm().errorMessage(), std::nullopt);
        QVERIFY(!f.window.errorAlert());
    }

    // Whenever the empty state shows, its button can be pressed.
    void placeholdersInTheirOrder_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Placeholder>("expected");
        QTest::addColumn<QString>("title");
        QTest::addRow("no videos yet") << Setup([](WindowFixture &f) { QVERIFY(f.open()); })
                                       << Placeholder::noVideos << u"No videos"_qs;
        QTest::addRow("access denied") << Setup([](WindowFixture &f) {
            f.add({videoOn(u"a"_qs, MB, 2023)});
            f.platform->setAuthorizationStatus(platform::AuthorizationStatus::denied);
            f.platform->setStatusAfterRequest(platform::AuthorizationStatus::denied);
            QVERIFY(f.open());
        }) << Placeholder::accessNeeded << u"Folder access needed"_qs;
        QTest::addRow("first scan under way") << Setup([](WindowFixture &f) {
            f.add({videoOn(u"a"_qs, MB, 2023)});
            f.platform->setDelivery(platform::MemoryPlatform::Delivery::held);
            f.window.show();
        }) << Placeholder::scanning << QString();
        QTest::addRow("nothing matches") << Setup([](WindowFixture &f) {
            f.add({videoOn(u"a"_qs, MB, 2023)});
            QVERIFY(f.open());
            f.vm().setSearchText(u"zzz"_qs);
        }) << Placeholder::noMatches << u"No matches"_qs;
        QTest::addRow("rescan with videos") << Setup([](WindowFixture &f) {
            f.add({videoOn(u"a"_qs, MB, 2023)});
            QVERIFY(f.open());
            f.vm().setSearchText(u"zzz"_qs);
            f.platform->setDelivery(platform::MemoryPlatform::Delivery::held);
            f.vm().startScan(); // empties the list until the first batch arrives
        }) << Placeholder::scanning << QString();
        QTest::addRow("videos") << Setup([](WindowFixture &f) {
            f.add({videoOn(u"a"_qs, MB, 2023)});
            QVERIFY(f.open());
        }) << Placeholder::none << QString();
    }
    void placeholdersInTheirOrder() {
        QFETCH(Setup, setup);
        QFETCH(Placeholder, expected);
        QFETCH(QString, title);
        WindowFixture f;
        setup(f);
        QCOMPARE(f.window.placeholder(), expected);
        QCOMPARE(f.window.table()->isVisible(), expected == Placeholder::none);
        QCOMPARE(f.window.scanningBox()->isVisible(), expected == Placeholder::scanning);
        QCOMPARE(f.window.emptyState()->isVisible(), !title.isEmpty());
        if (expected == Placeholder::scanning)
            QCOMPARE(f.window.scanningBox()->text(), u"Scanning your video folders…"_qs);
        if (!title.isEmpty()) {
            QCOMPARE(f.window.emptyState()->title(), title);
            QVERIFY(f.window.emptyState()->button()->isEnabled());
        }
    }

    void theBannerStaysAwayDuringAScan() {
        WindowFixture f;
        f.add({videoOn(u"a"_qs, MB, 2023)});
        QVERIFY(f.open());
        ChangeBanner *banner = f.window.banner();
        QVERIFY(!banner->isVisibleTo(&f.window));
        f.vm().setHasExternalChanges(true);
        QVERIFY(banner->isVisibleTo(&f.window));
        QCOMPARE(banner->text(), u"Your video folders changed."_qs);

        f.platform->setDelivery(platform::MemoryPlatform::Delivery::held);
        QTest::mouseClick(banner->rescanButton(), Qt::LeftButton);
        QVERIFY(f.vm().isScanning());
        f.vm().setHasExternalChanges(true);
        QVERIFY(!banner->isVisibleTo(&f.window));
        QVERIFY(f.settled());
        QVERIFY(banner->isVisibleTo(&f.window));
    }

    // What a scan could not read or remember is said above the table, and goes with the trouble.
    void theConditionBannerSaysWhatCouldNotBeRead_data() {
        QTest::addColumn<platform::LibraryCondition>("condition");
        QTest::addColumn<QStringList>("lines");
        const QString home = QDir::homePath();
        QTest::newRow("all well") << platform::LibraryCondition{} << QStringList{};
        QTest::newRow("index and folders")
            << platform::LibraryCondition{u"The index is busy."_qs,
                                          {{home + u"/Videos"_qs, 1, true},
                                           {u"/srv/clips"_qs, 0, false},
                                           {home + u"/Videos/trip"_qs, 12, false}}}
            << QStringList{u"The index is busy."_qs,
                           u"“~/Videos” is not connected or was moved: its 1 video stays in "
                           u"the library until it is back."_qs,
                           u"“/srv/clips” cannot be read."_qs,
                           u"“~/Videos/trip” cannot be read: its 12 videos stay in the library "
                           u"until it can be read again."_qs};
        std::vector<platform::AbsentFolder> many;
        for (int i = 0; i < 5; ++i)
            many.push_back({u"/m/%1"_qs.arg(i), 0, true});
        QTest::newRow("many folders") << platform::LibraryCondition{{}, many}
                                      << QStringList{u"“/m/0” is not connected or was moved."_qs,
                                                     u"“/m/1” is not connected or was moved."_qs,
                                                     u"“/m/2” is not connected or was moved."_qs,
                                                     u"2 more folders could not be read."_qs};
    }
    void theConditionBannerSaysWhatCouldNotBeRead() {
        QFETCH(platform::LibraryCondition, condition);
        QFETCH(QStringList, lines);
        WindowFixture f;
        f.add({videoOn(u"a"_qs, MB, 2023)});
        f.platform->setLibraryCondition(condition);
        QVERIFY(f.open());
        ConditionBanner *banner = f.window.conditionBanner();
        QCOMPARE(banner->isVisibleTo(&f.window), !lines.isEmpty());
        QCOMPARE(banner->text(), lines.join(u'\n'));

        f.platform->setLibraryCondition({});
        f.vm().startScan();
        QVERIFY(f.settled());
        QVERIFY(!banner->isVisibleTo(&f.window));
    }

    void theToolbarButtonScansAndStops() {
        WindowFixture f;
        f.add({videoOn(u"a"_qs, MB, 2023), videoOn(u"b"_qs, 2 * MB, 2023)});
        f.platform->setDelivery(platform::MemoryPlatform::Delivery::held);
        f.window.show();
        QAction *button = f.window.scanAction();
        QCOMPARE(button->text(), u"Stop"_qs);
        QCOMPARE(button->toolTip(), u"Stop scanning"_qs);
        QVERIFY(button->isEnabled());
        button->trigger();
        QVERIFY(f.settled());
        QCOMPARE(button->text(), u"Scan"_qs);
        QCOMPARE(button->toolTip(), u"Rescan your video folders"_qs);
        QVERIFY(button->isEnabled());

        button->trigger();
        QVERIFY(f.settled());
        QCOMPARE(f.vm().items().size(), std::size_t(2));

        // A running action leaves the Scan form disabled.
        f.platform->setDelivery(platform::MemoryPlatform::Delivery::held);
        f.vm().toggleFavorite(f.vm().items(f.ids({"a"})));
        QVERIFY(f.vm().isPerformingItemAction());
        QCOMPARE(button->text(), u"Scan"_qs);
        QVERIFY(!button->isEnabled());
        QVERIFY(!f.window.selectionBar()->deleteButton()->isEnabled());
        QVERIFY(f.settled());
        QVERIFY(button->isEnabled());
    }

    void thePreviewSheetFollowsPreviewItem() {
        WindowFixture f;
        f.add({videoOn(u"a"_qs, MB, 2023), videoOn(u"b"_qs, 2 * MB, 2023)});
        QVERIFY(f.open());
        f.vm().setSelectedIDs(f.ids({"a"}));
        QTest::keyClick(f.window.table(), Qt::Key_Space);
        QPointer<VideoPreviewView> sheet = f.window.previewSheet();
        QVERIFY(sheet && sheet->isVisible());
        QVERIFY(sheet->isModal());
        QCOMPARE(sheet->item().localIdentifier(), u"a"_qs);
        // The in-memory library has no file to play.
        QTRY_COMPARE(sheet->state(), VideoPreviewView::State::failed);

        f.vm().setPreviewItem(f.vm().items(f.ids({"b"})).front());
        QCOMPARE(f.window.previewSheet(), sheet);
        QCOMPARE(sheet->item().localIdentifier(), u"b"_qs);

        // Closing the sheet clears previewItem; clearing previewItem closes the sheet.
        sheet->closeButton()->click();
        QCOMPARE(f.vm().previewItem(), std::nullopt);
        QTRY_VERIFY(!sheet);
        f.vm().setPreviewItem(f.vm().items().front());
        sheet = f.window.previewSheet();
        QVERIFY(sheet && sheet->isVisible());
        f.vm().setPreviewItem(std::nullopt);
        QTRY_VERIFY(!sheet);
    }

    void hidingTheWindowStopsTheModelAndShowingItStartsItAgain() {
        WindowFixture f;
        f.add({videoOn(u"a"_qs, MB, 2023)});
        QVERIFY(f.open());
        QCOMPARE(f.platform->observerCount(), 1);
        VideoListViewModel *model = f.window.model();
        f.window.hide();
        QCOMPARE(f.platform->observerCount(), 0);
        f.window.show();
        QCOMPARE(f.window.model(), model);
        QCOMPARE(f.platform->observerCount(), 1);
        QVERIFY(f.settled());
    }
};

ORSENTA_WIDGET_TEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
