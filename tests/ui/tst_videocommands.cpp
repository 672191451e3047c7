// The "Video" menu read as the user sees it: titles, enabled states and shortcuts for each state
// of the focused window's view model, and what its items do.

#include "app/videocommands.h"
#include "viewmodel/viewmodelfixture.h"
#include "windowtestsupport.h"

#include <QAction>
#include <QMenu>

using namespace orsenta;
using namespace orsenta::test;
using Item = VideoCommands::Item;

namespace {

// The visible items top to bottom, each as "Title" when enabled and "(Title)" when disabled.
QStringList shown(const VideoCommands &commands) {
    QStringList items;
    for (const QAction *action : commands.menu()->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        items << (action->isEnabled() ? action->text() : u"("_qs + action->text() + u")"_qs);
    }
    return items;
}

void scanLibrary(ViewModelFixture &f) {
    f.add({video(u"a"_qs, 10), video(u"b"_qs, 20), video(u"c"_qs, 30)});
    QVERIFY(f.scan());
}

} // namespace

class VideoCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A row without a setup has no focused window.
    void titlesAndEnabledStates_data() {
        QTest::addColumn<Step>("setup");
        QTest::addColumn<QStringList>("items");
        const auto row = [](const char *name, Step setup, const QString &items) {
            QTest::newRow(name) << setup << items.split(u'|');
        };
        const auto selecting = [](const QStringList &ids) {
            return Step([ids](ViewModelFixture &f) {
                scanLibrary(f);
                f.vm.setSelectedIDs(QSet<QString>(ids.cbegin(), ids.cend()));
            });
        };
        const auto favouritesSelected = [](const QStringList &favourites) {
            return Step([favourites](ViewModelFixture &f) {
                scanLibrary(f);
                f.vm.toggleFavorite(
                    f.vm.items(QSet<QString>(favourites.cbegin(), favourites.cend())));
                QVERIFY(f.acted());
                f.vm.setSelectedIDs(f.ids({"a", "b", "c"}));
            });
        };
        const QString allOff = u"(Preview)|(Show in Photos)|(Copy Name)|(Add to Favorites)|"
                               u"(Download Video)|(Deselect All)|(Delete Video)"_qs;
        const QString many = u"(Preview)|(Show in Photos)|Copy Names|%1|Download Videos|"
                             u"Deselect All|Delete Videos"_qs;
        row("no window", {}, u"(Scan)|"_qs + allOff);
        row("no selection", scanLibrary, u"Scan|"_qs + allOff);
        row("one", selecting({u"a"_qs}),
            u"Scan|Preview|Show in Photos|Copy Name|Add to Favorites|Download Video|"
            u"Deselect All|Delete Video"_qs);
        row("two", selecting({u"a"_qs, u"b"_qs}), u"Scan|"_qs + many.arg(u"Add to Favorites"_qs));
        row(
            "scanning",
            [](ViewModelFixture &f) {
                scanLibrary(f);
                f.platform->setDelivery(MemoryPlatform::Delivery::held);
                f.vm.startScan();
            },
            u"Stop Scanning|"_qs + allOff);
        row(
            "acting, one selected",
            [](ViewModelFixture &f) {
                scanLibrary(f);
                f.vm.setSelectedIDs(f.ids({"a"}));
                f.platform->setDelivery(MemoryPlatform::Delivery::held);
                f.vm.toggleFavorite(f.records({"b"}));
            },
            u"(Scan)|Preview|Show in Photos|Copy Name|(Add to Favorites)|(Download Video)|"
            u"Deselect All|(Delete Video)"_qs);
        row(
            "preview open",
            [](ViewModelFixture &f) {
                scanLibrary(f);
                f.vm.setSelectedIDs(f.ids({"a"}));
                f.vm.setPreviewItem(f.records({"a"}).front());
            },
            u"(Scan)|"_qs + allOff);
        row("three favourites", favouritesSelected({u"a"_qs, u"b"_qs, u"c"_qs}),
            u"Scan|"_qs + many.arg(u"Remove from Favorites"_qs));
        row("two favourites and one other", favouritesSelected({u"a"_qs, u"b"_qs}),
            u"Scan|"_qs + many.arg(u"Add to Favorites"_qs));
    }
    void titlesAndEnabledStates() {
        QFETCH(Step, setup);
        QFETCH(QStringList, items);
        ViewModelFixture f;
        VideoCommands commands;
        if (setup) {
            commands.setFocusedModel(&f.vm);
            setup(f);
        }
        QCOMPARE(commands.menu()->title(), u"Video"_qs);
        QCOMPARE(shown(commands), items);
        f.platform->setDelivery(MemoryPlatform::Delivery::immediate);
        QVERIFY(QTest::qWaitFor([&f] {
            f.platform->releaseHeld();
            return !f.vm.isScanning() && !f.vm.isPerformingItemAction();
        }));
    }

    void theFocusedModelGoingAwayDisablesEverything() {
        auto f = std::make_unique<ViewModelFixture>();
        VideoCommands commands;
        commands.setFocusedModel(&f->vm);
        scanLibrary(*f);
        f->vm.setSelectedIDs(f->ids({"a"}));
        QVERIFY(commands.action(Item::preview)->isEnabled());
        f.reset();
        QCoreApplication::processEvents();
        QCOMPARE(commands.activeModel(), nullptr);
        QVERIFY(!commands.action(Item::preview)->isEnabled());
        QVERIFY(!commands.action(Item::scan)->isEnabled());
    }

    void everyItemHasItsOwnKeys() {
        VideoCommands commands;
        const std::vector<std::pair<Item, QList<QKeySequence>>> expected{
            {Item::stopScanning, {QKeySequence(u"Ctrl+."_qs)}},
            {Item::scan, {QKeySequence(u"Ctrl+R"_qs), QKeySequence(u"F5"_qs)}},
            {Item::preview, {QKeySequence(u"Ctrl+Y"_qs)}},
            {Item::showInPhotos, {QKeySequence(u"Ctrl+Shift+R"_qs)}},
            {Item::copyNames, {QKeySequence(u"Ctrl+Shift+C"_qs)}},
            {Item::favorite, {QKeySequence(u"Ctrl+L"_qs)}},
            {Item::download, {QKeySequence(u"Ctrl+Shift+D"_qs)}},
            {Item::deselectAll, {QKeySequence(u"Ctrl+Alt+A"_qs)}},
            {Item::deleteVideos, {QKeySequence(u"Ctrl+Backspace"_qs), QKeySequence(u"Del"_qs)}},
        };
        QSet<QKeySequence> seen;
        for (const auto &[item, keys] : expected) {
            QCOMPARE(commands.action(item)->shortcuts(), keys);
            for (const QKeySequence &key : keys) {
                QVERIFY2(!seen.contains(key), qPrintable(key.toString()));
                seen.insert(key);
            }
        }
    }

    void itemsActOnTheSelection() {
        ViewModelFixture f;
        VideoCommands commands;
        commands.setFocusedModel(&f.vm);
        scanLibrary(f);
        f.vm.setSelectedIDs(f.ids({"a", "b"}));

        commands.action(Item::copyNames)->trigger();
        QVERIFY(f.toolkit->clipboard);
        QStringList names = f.toolkit->clipboard->split(u'\n');
        names.sort();
        QCOMPARE(names, (QStringList{u"a"_qs, u"b"_qs}));

        // Disabled for two: nothing is previewed even when triggered by hand.
        commands.action(Item::preview)->trigger();
        QCOMPARE(f.vm.previewItem(), std::nullopt);

        commands.action(Item::deleteVideos)->trigger();
        QVERIFY(f.vm.showDeleteConfirmation());
        QCOMPARE(f.vm.pendingDeletionIDs(), f.ids({"a", "b"}));
        f.vm.setShowDeleteConfirmation(false);

        commands.action(Item::deselectAll)->trigger();
        QVERIFY(f.vm.selectedIDs().isEmpty());

        f.vm.setSelectedIDs(f.ids({"c"}));
        commands.action(Item::preview)->trigger();
        QVERIFY(f.vm.previewItem());
        QCOMPARE(f.vm.previewItem()->localIdentifier(), u"c"_qs);
        // With the preview open the menu acts on nothing.
        commands.action(Item::deselectAll)->trigger();
        QCOMPARE(f.vm.selectedIDs(), f.ids({"c"}));
        f.vm.setPreviewItem(std::nullopt);

        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        commands.action(Item::scan)->trigger();
        QVERIFY(f.vm.isScanning());
        QVERIFY(commands.action(Item::stopScanning)->isVisible());
        QVERIFY(!commands.action(Item::scan)->isVisible());
        commands.action(Item::stopScanning)->trigger();
        QVERIFY(QTest::qWaitFor([&f] {
            f.platform->releaseHeld();
            return !f.vm.isScanning();
        }));
        QVERIFY(f.vm.status().key() == StatusText::Key::scanCancelled
                || f.vm.status().key() == StatusText::Key::scanCancelledAt);
    }
};

ORSENTA_WIDGET_TEST_MAIN(VideoCommandsTest)
#include "tst_videocommands.moc"
