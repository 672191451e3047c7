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
    void titlesAndEnabledStates_data() {
        QTest::addColumn<Step>("setup");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QStringList>("items");
        const Step nothing = [](ViewModelFixture &) {};
        QTest::addRow("no window")
            << nothing << false
            << QStringList{u"(Scan)"_qs,         u"(Preview)"_qs,          u"(Show in Photos)"_qs,
                           u"(Copy Name)"_qs,    u"(Add to Favorites)"_qs, u"(Download Video)"_qs,
                           u"(Deselect All)"_qs, u"(Delete Video)"_qs};
        QTest::addRow("no selection")
            << Step(scanLibrary) << true
            << QStringList{u"Scan"_qs,           u"(Preview)"_qs,          u"(Show in Photos)"_qs,
                           u"(Copy Name)"_qs,    u"(Add to Favorites)"_qs, u"(Download Video)"_qs,
                           u"(Deselect All)"_qs, u"(Delete Video)"_qs};
        QTest::addRow("one") << Step([](ViewModelFixture &f) {
            scanLibrary(f);
            f.vm.setSelectedIDs(f.ids({"a"}));
        }) << true << QStringList{u"Scan"_qs,         u"Preview"_qs,          u"Show in Photos"_qs,
                                  u"Copy Name"_qs,    u"Add to Favorites"_qs, u"Download Video"_qs,
                                  u"Deselect All"_qs, u"Delete Video"_qs};
        QTest::addRow("two")
            << Step([](ViewModelFixture &f) {
                   scanLibrary(f);
                   f.vm.setSelectedIDs(f.ids({"a", "b"}));
               })
            << true
            << QStringList{u"Scan"_qs,         u"(Preview)"_qs,        u"(Show in Photos)"_qs,
                           u"Copy Names"_qs,   u"Add to Favorites"_qs, u"Download Videos"_qs,
                           u"Deselect All"_qs, u"Delete Videos"_qs};
        QTest::addRow("scanning") << Step([](ViewModelFixture &f) {
            scanLibrary(f);
            f.platform->setDelivery(MemoryPlatform::Delivery::held);
            f.vm.startScan();
        }) << true << QStringList{u"Stop Scanning"_qs,      u"(Preview)"_qs,
                                  u"(Show in Photos)"_qs,   u"(Copy Name)"_qs,
                                  u"(Add to Favorites)"_qs, u"(Download Video)"_qs,
                                  u"(Deselect All)"_qs,     u"(Delete Video)"_qs};
        QTest::addRow("acting, one selected") << Step([](ViewModelFixture &f) {
            scanLibrary(f);
            f.vm.setSelectedIDs(f.ids({"a"}));
            f.platform->setDelivery(MemoryPlatform::Delivery::held);
            f.vm.toggleFavorite(f.records({"b"}));
        }) << true
                                              << QStringList{u"(Scan)"_qs,
                                                             u"Preview"_qs,
                                                             u"Show in Photos"_qs,
                                                             u"Copy Name"_qs,
                                                             u"(Add to Favorites)"_qs,
                                                             u"(Download Video)"_qs,
                                                             u"Deselect All"_qs,
                                                             u"(Delete Video)"_qs};
        QTest::addRow("preview open")
            << Step([](ViewModelFixture &f) {
                   scanLibrary(f);
                   f.vm.setSelectedIDs(f.ids({"a"}));
                   f.vm.setPreviewItem(f.records({"a"}).front());
               })
            << true
            << QStringList{u"(Scan)"_qs,         u"(Preview)"_qs,          u"(Show in Photos)"_qs,
                           u"(Copy Name)"_qs,    u"(Add to Favorites)"_qs, u"(Download Video)"_qs,
                           u"(Deselect All)"_qs, u"(Delete Video)"_qs};
        QTest::addRow("three favourites") << Step([](ViewModelFixture &f) {
            scanLibrary(f);
            f.vm.toggleFavorite(f.records({"a", "b", "c"}));
            QVERIFY(f.acted());
            f.vm.setSelectedIDs(f.ids({"a", "b", "c"}));
        }) << true
                                          << QStringList{u"Scan"_qs,
                                                         u"(Preview)"_qs,
                                                         u"(Show in Photos)"_qs,
                                                         u"Copy Names"_qs,
                                                         u"Remove from Favorites"_qs,
                                                         u"Download Videos"_qs,
                                                         u"Deselect All"_qs,
                                                         u"Delete Videos"_qs};
        QTest::addRow("two favourites and one other")
            << Step([](ViewModelFixture &f) {
                   scanLibrary(f);
                   f.vm.toggleFavorite(f.records({"a", "b"}));
                   QVERIFY(f.acted());
                   f.vm.setSelectedIDs(f.ids({"a", "b", "c"}));
               })
            << true
            << QStringList{u"Scan"_qs,         u"(Preview)"_qs,        u"(Show in Photos)"_qs,
                           u"Copy Names"_qs,   u"Add to Favorites"_qs, u"Download Videos"_qs,
                           u"Deselect All"_qs, u"Delete Videos"_qs};
    }
    void titlesAndEnabledStates() {
        QFETCH(Step, setup);
        QFETCH(bool, focused);
        QFETCH(QStringList, items);
        ViewModelFixture f;
        VideoCommands commands;
        if (focused)
            commands.setFocusedModel(&f.vm);
        setup(f);
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
