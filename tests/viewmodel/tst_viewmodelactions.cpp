// SPDX-License-Identifier: GPL-3.0-or-later
// The selection and the actions on videos: the guard, deletion outcomes, favourites, downloads
// with their panels and names, copied names, showing a file.

#include "support/samplevideos.h"
#include "support/testmain.h"
#include "viewmodel/filenames.h"
#include "viewmodelfixture.h"

#include <QTemporaryDir>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

Q_DECLARE_METATYPE(std::optional<orsenta::platform::PlatformError>)
Q_DECLARE_METATYPE(std::optional<QStringList>)

namespace {

[[nodiscard]] bool scanThree(ViewModelFixture &f) {
    MemoryAsset favourite = video(u"c"_qs, 300);
    favourite.asset.isFavorite = true;
    f.add({video(u"a"_qs, 100), video(u"b"_qs, 200), favourite});
    return f.scan();
}

// The records of `ids`, in that order.
std::vector<VideoItem> recordsOf(const ViewModelFixture &f, const QStringList &ids) {
    std::vector<VideoItem> records;
    for (const QString &id : ids)
        records.push_back(f.record(qPrintable(id)));
    return records;
}

} // namespace

class TestViewModelActions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Identifiers without a record stay selected but are skipped when the selection is counted
    // or looked up; filters never change it.
    void selection() {
        ViewModelFixture f;
        QVERIFY(scanThree(f));
        QSignalSpy announced(&f.vm, &VideoListViewModel::selectionStatsChanged);
        f.vm.setSelectedIDs(f.ids({"a", "b", "unknown"}));
        f.vm.setSelectedIDs(f.ids({"unknown", "b", "a"}));
        QCOMPARE(announced.size(), 1);
        f.vm.setSearchText(u"c.mov"_qs);
        QCOMPARE(f.vm.selectedIDs(), f.ids({"a", "b", "unknown"}));
        QCOMPARE(f.vm.selectionStats(), (SelectionStats{2, 300, 0, 300}));
        QCOMPARE(sorted(identifiersOf(f.vm.items({}))), (QStringList{u"a"_qs, u"b"_qs}));
        QCOMPARE(f.vm.selectedItems().size(), 2u);
        QCOMPARE(identifiersOf(f.vm.items(f.ids({"c", "unknown"}))), QStringList{u"c"_qs});
    }

    // While a scan or an action runs, nothing else may change the library.
    void refusedWhileBusy_data() {
        QTest::addColumn<bool>("acting");
        QTest::addColumn<Step>("attempt");
        const Step remove = [](auto &f) { f.vm.requestDelete({makeItem({})}); };
        const Step confirm = [](auto &f) {
            f.vm.setSelectedIDs(f.ids({"a"}));
            f.vm.setShowDeleteConfirmation(true);
            f.vm.confirmDelete();
        };
        const Step favourite = [](auto &f) { f.vm.toggleFavorite({makeItem({})}); };
        const Step download = [](auto &f) { f.vm.download({makeItem({})}); };
        for (const bool acting : {false, true}) {
            const char *state = acting ? "acting" : "scanning";
            QTest::addRow("%s: delete", state) << acting << remove;
            QTest::addRow("%s: confirm", state) << acting << confirm;
            QTest::addRow("%s: favourite", state) << acting << favourite;
            QTest::addRow("%s: download", state) << acting << download;
        }
        QTest::addRow("acting: scan") << true << Step([](auto &f) { f.vm.startScan(); });
    }
    void refusedWhileBusy() {
        QFETCH(bool, acting);
        QFETCH(Step, attempt);
        ViewModelFixture f;
        QVERIFY(scanThree(f));
        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        if (acting)
            f.vm.toggleFavorite(f.records({"a"}));
        else
            f.vm.startScan();
        QTRY_VERIFY(f.platform->heldCount() > 0);
        const QString status = f.vm.status().text();
        const MemoryPlatform::Counters before = f.platform->counters();

        attempt(f);
        QCOMPARE(f.vm.status().text(), status);
        QVERIFY(!f.vm.showDeleteConfirmation());
        QVERIFY(f.vm.pendingDeletionIDs().isEmpty());
        QVERIFY(f.toolkit->folderPrompts.isEmpty() && f.toolkit->savePanels.empty());
        QCOMPARE(f.vm.isScanning(), !acting);
        QVERIFY(QTest::qWaitFor([&f] {
            f.platform->releaseHeld();
            return !f.vm.isScanning() && !f.vm.isPerformingItemAction();
        }));
        QCOMPARE(f.platform->counters().changeRequests, before.changeRequests);
        QCOMPARE(f.platform->counters().authorizationRequests, before.authorizationRequests);
    }

    void deletion_data() {
        QTest::addColumn<bool>("confirmed");      // false: confirmDelete() with nothing pending
        QTest::addColumn<QStringList>("removed"); // from the library after the scan, unnoticed
        QTest::addColumn<bool>("success");
        QTest::addColumn<std::optional<PlatformError>>("error");
        QTest::addColumn<std::optional<QStringList>>("deleted"); // none: all that was asked
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<QString>("errorMessage");
        const auto error = [](std::int64_t code, const QString &text) {
            return std::optional(PlatformError{u"T"_qs, code, text});
        };
        const std::optional<PlatformError> none;
        const std::optional<QStringList> asked;
        const QStringList all{u"a"_qs, u"b"_qs, u"c"_qs};
        const QString failed = u"Deletion failed."_qs;
        const auto one = [](int bytes) {
            return u"Moved 1 video to the Trash. Emptying it frees %1 bytes."_qs.arg(bytes);
        };
        const QString gone =
            u"”: it was removed or replaced after the scan; scan again to see it as it is now."_qs;
        QTest::newRow("both deleted")
            << true << QStringList() << true << none << asked
            << u"Moved 2 videos to the Trash. Emptying it frees 300 bytes."_qs
            << QStringList{u"c"_qs} << QString();
        QTest::newRow("nothing pending: the selection goes")
            << false << QStringList() << true << none << asked
            << u"Moved 2 videos to the Trash. Emptying it frees 300 bytes."_qs
            << QStringList{u"c"_qs} << QString();
        QTest::newRow("the library refuses")
            << true << QStringList() << false << error(5, u"Disk is read-only."_qs) << asked
            << failed << all << u"2 videos were not moved to the Trash.\nDisk is read-only."_qs;
        QTest::newRow("the library refuses without a word")
            << true << QStringList() << false << none << asked << failed << all
            << u"The videos could not be moved to the Trash."_qs;
        QTest::newRow("only some go: the others' reason is shown")
            << true << QStringList() << true << error(1, u"“b.mov”: it changed."_qs)
            << std::optional(QStringList{u"a"_qs}) << one(100) << QStringList{u"b"_qs, u"c"_qs}
            << u"1 video was not moved to the Trash.\n“b.mov”: it changed."_qs;
        QTest::newRow("one left the library after the scan: it is named")
            << true << QStringList{u"b"_qs} << true << none << asked << one(100)
            << QStringList{u"b"_qs, u"c"_qs}
            << u"1 video was not moved to the Trash.\n“b.mov"_qs + gone;
        QTest::newRow("one refused, one gone: a line each")
            << true << QStringList{u"b"_qs} << false << error(1, u"“a.mov”: it changed."_qs)
            << asked << failed << all
            << u"2 videos were not moved to the Trash.\n“a.mov”: it changed.\n“b.mov"_qs + gone;
        QTest::newRow("all left the library: each is named")
            << true << QStringList{u"b"_qs, u"a"_qs} << true << none << asked << failed << all
            << u"2 videos were not moved to the Trash.\n“a.mov"_qs + gone + u"\n“b.mov"_qs + gone;
        QTest::newRow("the user declines")
            << true << QStringList() << false << error(userCancelledErrorCode, u"No."_qs) << asked
            << u"Deletion cancelled."_qs << all << QString();
    }
    void deletion() {
        QFETCH(bool, confirmed);
        QFETCH(QStringList, removed);
        QFETCH(bool, success);
        QFETCH(std::optional<PlatformError>, error);
        QFETCH(std::optional<QStringList>, deleted);
        QFETCH(QStringList, remaining);
        ViewModelFixture f;
        QVERIFY(scanThree(f));
        f.vm.setSelectedIDs(f.ids({"a", "b"}));
        if (confirmed) {
            f.vm.requestDelete(f.vm.selectedItems());
            QVERIFY(f.vm.showDeleteConfirmation());
            QCOMPARE(f.vm.pendingDeletionIDs(), f.ids({"a", "b"}));
        }
        for (const QString &id : removed)
            QVERIFY(f.platform->removeAsset(id));
        f.platform->setNextChangeResult(success, error, deleted);
        f.vm.confirmDelete();
        QVERIFY(!f.vm.showDeleteConfirmation());
        QCOMPARE(f.vm.status().text(), u"Moving 2 videos to the Trash…"_qs);
        QVERIFY(f.acted());
        QTEST(f.vm.status().text(), "status");
        QCOMPARE(sorted(identifiersOf(f.vm.items())), remaining);
        // What was asked for and is still there stays selected.
        remaining.removeAll(u"c"_qs);
        QCOMPARE(sorted(f.vm.selectedIDs()), remaining);
        QTEST(f.vm.errorMessage().value_or(QString()), "errorMessage");
    }

    // A large batch that stays keeps its alert short: ten lines, then how many more.
    void manyThatStayedShowTenAndCount() {
        ViewModelFixture f;
        f.addVideos(13);
        QVERIFY(f.scan());
        const QStringList all = identifiersOf(f.vm.items());
        f.vm.setSelectedIDs({all.begin(), all.end()});
        for (int i = 1; i < 13; ++i)
            QVERIFY(f.platform->removeAsset(u"v%1"_qs.arg(i, 3, 10, QLatin1Char('0'))));
        f.vm.confirmDelete();
        QVERIFY(f.acted());
        QVERIFY2(f.vm.status().text().startsWith(u"Moved 1 video to the Trash. "_qs),
                 qPrintable(f.vm.status().text()));
        const QStringList lines = f.vm.errorMessage().value_or(QString()).split(u'\n');
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines.first(), u"12 videos were not moved to the Trash."_qs);
        QVERIFY2(lines[1].startsWith(u"“v001”: it was removed or replaced"_qs),
                 qPrintable(lines[1]));
        QVERIFY2(lines[10].startsWith(u"“v010”:"_qs), qPrintable(lines[10]));
        QCOMPARE(lines.last(), u"And 2 more."_qs);
    }

    // Undo puts back exactly what the last move took, favourites and all, but never over a
    // video that has taken its place since.
    void undoTheLastMove_data() {
        QTest::addColumn<bool>("placeTaken");
        QTest::newRow("both come back") << false;
        QTest::newRow("one place taken again") << true;
    }
    void undoTheLastMove() {
        QFETCH(bool, placeTaken);
        ViewModelFixture f;
        QVERIFY(scanThree(f));
        QVERIFY(!f.vm.canUndoDeletion());
        f.vm.setSelectedIDs(f.ids({"b", "c"}));
        f.vm.confirmDelete();
        QVERIFY(f.acted());
        QVERIFY(QTest::qWaitFor([&] { return f.vm.canUndoDeletion(); }));
        QCOMPARE(f.vm.libraryTrash(), (LibraryTrash{2, 500}));
        if (placeTaken)
            f.add({video(u"c"_qs, 42)});
        f.vm.undoDeletion();
        QVERIFY(QTest::qWaitFor([&] {
            return !f.vm.isPerformingItemAction() && !f.vm.isScanning() && !f.vm.copyCheck()
                   && f.vm.items().size() == 3;
        }));
        QVERIFY(!f.vm.canUndoDeletion());
        QCOMPARE(sorted(identifiersOf(f.vm.items())), (QStringList{u"a"_qs, u"b"_qs, u"c"_qs}));
        QCOMPARE(f.record("c").isFavorite(), !placeTaken);
        QCOMPARE(f.record("c").sizeState().knownBytes(), placeTaken ? 42 : 300);
        const LibraryTrash left = placeTaken ? LibraryTrash{1, 300} : LibraryTrash{};
        QVERIFY(QTest::qWaitFor([&] { return f.vm.libraryTrash() == left; }));
        QCOMPARE(f.vm.errorMessage().has_value(), placeTaken);
        if (placeTaken)
            QVERIFY2(f.vm.errorMessage()->startsWith(u"1 video stayed in the Trash.\nc"_qs),
                     qPrintable(*f.vm.errorMessage()));
        f.vm.undoDeletion();
        QVERIFY(!f.vm.isPerformingItemAction());
    }

    void favourites_data() {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("favourite");
        QTest::newRow("a mix becomes favourites")
            << QStringList{u"a"_qs, u"c"_qs} << false << u"Adding 2 videos to Favorites…"_qs
            << u"Added 2 videos to Favorites."_qs << true;
        QTest::newRow("favourites only are removed")
            << QStringList{u"c"_qs} << false << u"Removing 1 video from Favorites…"_qs
            << u"Removed 1 video from Favorites."_qs << false;
        QTest::newRow("the library refuses")
            << QStringList{u"a"_qs} << true << u"Adding 1 video to Favorites…"_qs
            << u"Favorite update failed."_qs << false;
    }
    void favourites() {
        QFETCH(QStringList, ids);
        QFETCH(bool, fails);
        QFETCH(bool, favourite);
        ViewModelFixture f;
        QVERIFY(scanThree(f));
        if (fails)
            f.platform->setNextChangeResult(false, PlatformError{u"T"_qs, 9, u"Locked."_qs});
        f.vm.toggleFavorite(recordsOf(f, ids));
        QTEST(f.vm.status().text(), "progress");
        QVERIFY(f.acted());
        QTEST(f.vm.status().text(), "status");
        QCOMPARE(f.vm.errorMessage().value_or(QString()), fails ? u"Locked."_qs : QString());
        for (const VideoItem &record : recordsOf(f, ids))
            QCOMPARE(record.isFavorite(), favourite);
        QVERIFY(!f.record("b").isFavorite());
    }

    void downloadsIntoAFolder_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("firstFails");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("status");
        const QString three = u"Saved copies of 3 videos."_qs;
        QTest::newRow("one name three times beside a file of that name")
            << QStringList{u"a.mov"_qs, u"a.mov"_qs, u"a.mov"_qs} << QStringList{u"a.mov"_qs}
            << false << QStringList{u"a (2).mov"_qs, u"a (3).mov"_qs, u"a (4).mov"_qs, u"a.mov"_qs}
            << three;
        QTest::newRow("names without extension")
            << QStringList{u"clip"_qs, u"clip"_qs, u"x"_qs} << QStringList{u"clip"_qs} << false
            << QStringList{u"clip"_qs, u"clip (2)"_qs, u"clip (3)"_qs, u"x"_qs} << three;
        QTest::newRow("names with folders stay in the chosen folder")
            << QStringList{u"../../up.mov"_qs, u"in/up.mov"_qs, u".."_qs} << QStringList{} << false
            << QStringList{u"up (2).mov"_qs, u"up.mov"_qs, u"video"_qs} << three;
        QTest::newRow("the first copy fails")
            << QStringList{u"a.mov"_qs, u"b.mov"_qs, u"c.mov"_qs} << QStringList{} << true
            << QStringList{u"b.mov"_qs, u"c.mov"_qs} << u"Saved copies of 2 of 3 videos."_qs;
    }
    void downloadsIntoAFolder() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, existing);
        QFETCH(bool, firstFails);
        ViewModelFixture f;
        QTemporaryDir folder;
        for (const QString &name : existing)
            QVERIFY(writeNewFile(folder.filePath(name), {}));
        std::vector<QString> ids;
        for (int i = 0; i < names.size(); ++i) {
            ids.push_back(QString::number(i));
            MemoryAsset asset = fastAsset(ids.back(), names[i], 4, localTime(2023, 1, 10 - i));
            asset.resources = {videoResource(ids.back(), names[i])};
            asset.resourceData = "data";
            f.platform->addAsset(asset);
        }
        QVERIFY(f.scan());
        if (firstFails)
            f.platform->setNextWriteError(PlatformError{u"T"_qs, 28, u"Disk full."_qs});
        f.toolkit->folder = folder.path();
        f.vm.download(f.vm.visibleItems());
        QVERIFY(f.acted());
        QCOMPARE(f.toolkit->folderPrompts, QStringList{u"Choose Folder"_qs});
        QTEST(sorted(QDir(folder.path()).entryList(QDir::Files)), "files");
        QTEST(f.vm.status().text(), "status");
        QCOMPARE(f.vm.errorMessage().value_or(QString()),
                 firstFails ? u"Disk full."_qs : QString());
    }

    // One video goes through the save panel. Cancelling it does nothing; an action started while
    // it is open, as the user looks at it, wins.
    void downloadsOneThroughTheSavePanel() {
        ViewModelFixture f;
        QTemporaryDir folder;
        MemoryAsset asset = video(u"a"_qs, 4, 2023, u"IMG_1.MOV"_qs);
        asset.resources = {videoResource(u"a"_qs, u"IMG_1.MOV"_qs)};
        f.add({asset});
        QVERIFY(f.scan());
        const StatusText scanned = f.vm.status();

        f.vm.download(f.vm.visibleItems());
        QVERIFY(!f.vm.isPerformingItemAction());
        QCOMPARE(f.vm.status(), scanned);

        f.toolkit->saveLocation = folder.filePath(u"kept.mov"_qs);
        f.vm.download(f.vm.visibleItems());
        QVERIFY(f.acted());
        QCOMPARE(f.vm.status().text(), u"Saved copies of 1 video."_qs);
        QVERIFY(QFileInfo::exists(*f.toolkit->saveLocation));
        QCOMPARE(f.toolkit->savePanels.size(), 2u);
        QCOMPARE(f.toolkit->savePanels.back().proposedFileName, u"IMG_1.MOV"_qs);
        QVERIFY(f.toolkit->savePanels.back().allowedMimeTypes.contains(u"video/quicktime"_qs));
        QVERIFY(f.toolkit->savePanels.back().canCreateFolders);

        f.toolkit->whilePanelOpen = [&f] { f.vm.toggleFavorite(f.records({"a"})); };
        f.vm.download(f.vm.visibleItems());
        QVERIFY(f.acted());
        QCOMPARE(f.vm.status().text(), u"Added 1 video to Favorites."_qs);
        QCOMPARE(f.platform->counters().writes, 1);
    }

    void uniqueDestinationSkipsEverythingInTheWay() {
        QTemporaryDir folder;
        QVERIFY(QFile::link(folder.filePath(u"missing"_qs), folder.filePath(u"clip.mov"_qs)));
        QCOMPARE(uniqueDestination(u"clip.mov"_qs, folder.path(), {u"clip (2).mov"_qs}),
                 folder.filePath(u"clip (3).mov"_qs));
        QCOMPARE(uniqueDestination(u".hidden"_qs, folder.path(), {u".hidden"_qs}),
                 folder.filePath(u".hidden (2)"_qs));
    }

    void copyNames_data() {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("status");
        QTest::newRow("one file name")
            << QStringList{u"img"_qs} << u"IMG_0001"_qs << u"Copied IMG_0001."_qs;
        QTest::newRow("no file name: the identifier's last part")
            << QStringList{u"8F3A/L0/001"_qs} << u"001"_qs << u"Copied 001."_qs;
        QTest::newRow("several, in the order given")
            << QStringList{u"8F3A/L0/001"_qs, u"img"_qs} << u"001\nIMG_0001"_qs
            << u"Copied 2 names."_qs;
    }
    void copyNames() {
        QFETCH(QStringList, ids);
        QFETCH(QString, clipboard);
        ViewModelFixture f;
        f.add({video(u"img"_qs, 1, 2023, u"IMG_0001.MOV"_qs), bareAsset(u"8F3A/L0/001"_qs)});
        QVERIFY(f.scan());
        f.vm.copyNames({});
        QCOMPARE(f.toolkit->clipboard, std::nullopt);
        f.vm.copyNames(recordsOf(f, ids));
        QCOMPARE(f.toolkit->clipboard, std::optional(clipboard));
        QTEST(f.vm.status().text(), "status");
    }

    void showInPhotosRevealsTheFile() {
        ViewModelFixture f;
        MemoryAsset local = video(u"local"_qs, 1);
        local.media = MediaAsset{u"/videos/local.mov"_qs, true, true, 1};
        f.add({local, video(u"remote"_qs, 2), video(u"gone"_qs, 3)});
        QVERIFY(f.scan());
        const VideoItem gone = f.record("gone");
        f.platform->removeAsset(u"gone"_qs);
        f.vm.showInPhotos(gone);
        f.vm.showInPhotos(f.record("remote"));
        QTRY_COMPARE(f.platform->counters().mediaRequests, 1);
        f.vm.showInPhotos(f.record("local"));
        QTRY_COMPARE(f.toolkit->revealed, QStringList{u"/videos/local.mov"_qs});
        QCOMPARE(f.vm.status().text(), u"3 videos, size known for 3."_qs);
    }
};

ORSENTA_TEST_MAIN(TestViewModelActions)
#include "tst_viewmodelactions.moc"
