// SPDX-License-Identifier: GPL-3.0-or-later
// The "Video" menu read as the user sees it: titles, enabled states and shortcuts for each state
// of the focused window's view model, and what its items do.

#include "app/orsentaapp.h"
#include "app/videocommands.h"
#include "ui/mainwindow.h"
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
        // %1: Select All, which needs shown videos and no preview.
        const QString allOff = u"(Preview)|(Show in Files)|(Copy Name)|(Add to Favorites)|"
                               u"(Save a Copy…)|%1|(Deselect All)|(Move to Trash)"_qs;
        const QString many = u"(Preview)|(Show in Files)|Copy Names|%1|Save Copies…|"
                             u"Select All|Deselect All|Move to Trash"_qs;
        row("no window", {}, u"(Scan)|"_qs + allOff.arg(u"(Select All)"_qs));
        row("no selection", scanLibrary, u"Scan|"_qs + allOff.arg(u"Select All"_qs));
        row("one", selecting({u"a"_qs}),
            u"Scan|Preview|Show in Files|Copy Name|Add to Favorites|Save a Copy…|"
            u"Select All|Deselect All|Move to Trash"_qs);
        row("two", selecting({u"a"_qs, u"b"_qs}), u"Scan|"_qs + many.arg(u"Add to Favorites"_qs));
        row(
            "scanning",
            [](ViewModelFixture &f) {
                scanLibrary(f);
                f.platform->setDelivery(MemoryPlatform::Delivery::held);
                f.vm.startScan();
            },
            u"Stop Scanning|"_qs + allOff.arg(u"(Select All)"_qs));
        row(
            "acting, one selected",
            [](ViewModelFixture &f) {
                scanLibrary(f);
                f.vm.setSelectedIDs(f.ids({"a"}));
                f.platform->setDelivery(MemoryPlatform::Delivery::held);
                f.vm.toggleFavorite(f.records({"b"}));
            },
            u"(Scan)|Preview|Show in Files|Copy Name|(Add to Favorites)|(Save a Copy…)|"
            u"Select All|Deselect All|(Move to Trash)"_qs);
        row(
            "preview open",
            [](ViewModelFixture &f) {
                scanLibrary(f);
                f.vm.setSelectedIDs(f.ids({"a"}));
                f.vm.setPreviewItem(f.records({"a"}).front());
            },
            u"(Scan)|"_qs + allOff.arg(u"(Select All)"_qs));
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

    // Every command of the window's menus with its keys, and no key bound to two commands.
    void everyKeyDoesOneThing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys");
        const auto row = [](const char *text, const char *keys) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(keys);
        };
        row("Settings…", "Ctrl+,");
        row("Undo Move to Trash", "Ctrl+Z");
        row("Show Sidebar", "F9");
        row("Find", "Ctrl+F");
        row("Stop Scanning", "Ctrl+.");
        row("Scan", "Ctrl+R; F5");
        row("Preview", "Ctrl+Y");
        row("Show in Files", "Ctrl+Shift+R");
        row("Copy Name", "Ctrl+Shift+C");
        row("Add to Favorites", "Ctrl+L");
        row("Save a Copy…", "Ctrl+Shift+D");
        row("Select All", "Ctrl+A");
        row("Deselect All", "Ctrl+Alt+A");
        row("Move to Trash", "Ctrl+Backspace; Del");
    }
    void everyKeyDoesOneThing() {
        QFETCH(QString, text);
        QFETCH(QString, keys);
        OrsentaApp app(std::make_shared<platform::MemoryPlatform>());
        QList<QAction *> actions = app.mainWindow()->findChildren<QAction *>();
        actions += app.commands()->menu()->actions();
        QStringList bound;
        QHash<QKeySequence, const QAction *> owners;
        for (const QAction *action : std::as_const(actions)) {
            for (const QKeySequence &key : action->shortcuts()) {
                const QAction *owner = owners.value(key, action);
                QVERIFY2(owner == action, qPrintable(key.toString() + u": "_qs + owner->text()
                                                     + u" and "_qs + action->text()));
                if (owners.contains(key))
                    continue; // the same action reached twice
                owners.insert(key, action);
                if (action->text() == text)
                    bound << key.toString();
            }
        }
        QCOMPARE(bound.join(u"; "_qs), keys);
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

        // Select All takes the videos shown, not every video of the library.
        f.vm.setSearchText(u"b"_qs);
        QVERIFY(QTest::qWaitFor([&f] { return f.vm.visibleItems().size() == 1; }));
        commands.action(Item::selectAll)->trigger();
        QCOMPARE(f.vm.selectedIDs(), f.ids({"b"}));
        f.vm.setSearchText({});
        commands.action(Item::deselectAll)->trigger();

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
