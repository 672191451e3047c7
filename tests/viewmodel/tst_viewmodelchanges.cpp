// SPDX-License-Identifier: GPL-3.0-or-later
// Start and stop, and the library changing outside the application: what is dropped, what is
// handled, and what the window is told.

#include "support/testmain.h"
#include "viewmodelfixture.h"

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace std::chrono_literals;

namespace {

[[nodiscard]] bool startWithFour(ViewModelFixture &f) {
    f.add({video(u"a"_qs, 1), video(u"b"_qs, 2), video(u"c"_qs, 3), video(u"d"_qs, 4)});
    return f.start();
}

} // namespace

class TestViewModelChanges : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A fresh view model touches nothing; start() reads access without asking, listens once
    // however often it is called, and stop() lets go of the library. Notices are ignored while
    // there are no videos, and when the window has gone before they arrive.
    void startAndStop() {
        ViewModelFixture f;
        QVERIFY(f.vm.visibleItems().empty());
        QCOMPARE(f.vm.status().text(), u"Ready to scan your video folders."_qs);
        QCOMPARE(f.vm.authorizationStatus(), AuthorizationStatus::notDetermined);
        QCOMPARE(f.platform->observerCount(), 0);
        QCOMPARE(f.platform->counters().authorizationRequests, 0);

        f.platform->setAuthorizationStatus(AuthorizationStatus::limited);
        f.vm.start();
        f.vm.start();
        QCOMPARE(f.vm.authorizationStatus(), AuthorizationStatus::limited);
        QCOMPARE(f.platform->observerCount(), 1);
        QTRY_VERIFY(!f.vm.isScanning());
        QCOMPARE(f.platform->counters().authorizationRequests, 1);
        f.changeOutside();
        QVERIFY(!f.vm.hasExternalChanges());

        f.add({video(u"a"_qs, 1), video(u"b"_qs, 2)});
        f.vm.stop();
        QCOMPARE(f.platform->observerCount(), 0);
        QVERIFY(f.start());
        QCOMPARE(f.platform->observerCount(), 1);
        QCOMPARE(f.platform->counters().authorizationRequests, 2);
        f.platform->removeAsset(u"a"_qs);
        f.platform->notifyChange();
        f.vm.stop();
        f.settle();
        QCOMPARE(f.platform->counters().identifierFetches, 0);
        QVERIFY(!f.vm.hasExternalChanges());
    }

    // Additions only raise the banner until the next scan; vanished videos leave the list and
    // the selection, and the status says how many.
    void outsideChanges() {
        ViewModelFixture f;
        QVERIFY(startWithFour(f));
        const StatusText scanned = f.vm.status();
        f.add({video(u"e"_qs, 5)});
        f.changeOutside();
        QCOMPARE(f.vm.items().size(), 4u);
        QCOMPARE(f.vm.status(), scanned);
        QVERIFY(f.vm.hasExternalChanges());
        QVERIFY(f.scan());
        QVERIFY(!f.vm.hasExternalChanges());

        f.vm.setSelectedIDs(f.ids({"a", "b", "c"}));
        f.changeOutside({"a", "b"});
        QCOMPARE(identifiersOf(f.vm.visibleItems()), (QStringList{u"e"_qs, u"d"_qs, u"c"_qs}));
        QCOMPARE(f.vm.selectedIDs(), f.ids({"c"}));
        QCOMPARE(f.vm.selectionStats().count, 1);
        QCOMPARE(f.vm.status().text(), u"2 videos removed from your folders."_qs);
        QVERIFY(f.vm.hasExternalChanges());
    }

    void quietAfterOwnAction_data() {
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<bool>("handled");
        QTest::newRow("1.9 s after") << 1900 << false;
        QTest::newRow("2.0 s after") << 2000 << true;
    }
    void quietAfterOwnAction() {
        QFETCH(int, afterMs);
        QFETCH(bool, handled);
        ViewModelFixture f;
        QVERIFY(startWithFour(f));
        f.vm.requestDelete(f.records({"a"}));
        f.vm.confirmDelete();
        QVERIFY(f.acted());
        f.clock->advance(std::chrono::milliseconds(afterMs));
        f.changeOutside({"b"});
        QCOMPARE(f.vm.hasExternalChanges(), handled);
        QCOMPARE(f.vm.items().size(), handled ? 2u : 3u);
    }

    void busyNoticesAreDroppedNotDeferred_data() {
        QTest::addColumn<bool>("acting");
        QTest::newRow("during a scan") << false;
        QTest::newRow("during an action") << true;
    }
    void busyNoticesAreDroppedNotDeferred() {
        QFETCH(bool, acting);
        ViewModelFixture f;
        // The first batch is read at once; the second waits for its size probes.
        f.addVideos(300, 200);
        if (!acting) {
            // A refresh after the first batch puts records in the list while the scan runs.
            f.afterEachBatch([&f] {
                f.clock->advance(1s);
                f.platform->setDelivery(MemoryPlatform::Delivery::held);
            });
        }
        f.vm.start();
        if (acting) {
            QTRY_VERIFY(!f.vm.isScanning());
            f.platform->setDelivery(MemoryPlatform::Delivery::held);
            f.vm.toggleFavorite(f.records({"v000"}));
        }
        QTRY_VERIFY(f.platform->heldCount() > 0);
        QVERIFY(!f.vm.items().empty());
        f.changeOutside({"v001"});
        QVERIFY(QTest::qWaitFor([&f] {
            f.platform->releaseHeld();
            return !f.vm.isScanning() && !f.vm.isPerformingItemAction();
        }));
        f.clock->advance(2s);
        f.settle();
        QVERIFY(!f.vm.hasExternalChanges());
        QCOMPARE(f.vm.items().size(), 300u);
    }
};

ORSENTA_TEST_MAIN(TestViewModelChanges)
#include "tst_viewmodelchanges.moc"
