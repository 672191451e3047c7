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
    f.vm.start();
    return QTest::qWaitFor([&f] { return !f.vm.isScanning(); });
}

void changeOutside(ViewModelFixture &f, std::initializer_list<const char *> removed) {
    for (const char *id : removed)
        f.platform->removeAsset(QString::fromLatin1(id));
    f.platform->notifyChange();
    f.settle();
}

} // namespace

class TestViewModelChanges : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshViewModelTouchesNothing() {
        ViewModelFixture f;
        QVERIFY(f.vm.visibleItems().empty());
        QCOMPARE(f.vm.status().text(), u"Ready to scan your Photos library."_qs);
        QCOMPARE(f.vm.sortOrder(), VideoSortOrder::sizeDesc);
        QCOMPARE(f.vm.tableSortOrder(), QList{tableComparator(VideoSortOrder::sizeDesc)});
        QCOMPARE(f.vm.authorizationStatus(), AuthorizationStatus::notDetermined);
        QCOMPARE(f.platform->observerCount(), 0);
        QCOMPARE(f.platform->counters().authorizationRequests, 0);
    }

    void startOnceStopAndStartAgain() {
        ViewModelFixture f;
        f.platform->setAuthorizationStatus(AuthorizationStatus::limited);
        f.vm.start();
        f.vm.start();
        // Read without asking, before the scan asks.
        QCOMPARE(f.vm.authorizationStatus(), AuthorizationStatus::limited);
        QCOMPARE(f.platform->observerCount(), 1);
        QTRY_VERIFY(!f.vm.isScanning());
        QCOMPARE(f.platform->counters().authorizationRequests, 1);

        f.vm.stop();
        QCOMPARE(f.platform->observerCount(), 0);
        f.vm.start();
        QCOMPARE(f.platform->observerCount(), 1);
        QTRY_VERIFY(!f.vm.isScanning());
        QCOMPARE(f.platform->counters().authorizationRequests, 2);
    }

    void vanishedVideosLeaveListAndSelection() {
        ViewModelFixture f;
        QVERIFY(startWithFour(f));
        f.vm.setSelectedIDs(f.ids({"a", "b", "c"}));
        changeOutside(f, {"a", "b"});
        QCOMPARE(identifiersOf(f.vm.visibleItems()), (QStringList{u"d"_qs, u"c"_qs}));
        QCOMPARE(f.vm.selectedIDs(), f.ids({"c"}));
        QCOMPARE(f.vm.selectionStats().count, 1);
        QCOMPARE(f.vm.status().text(), u"2 videos removed in Photos."_qs);
        QVERIFY(f.vm.hasExternalChanges());
    }

    void additionsOnlyRaiseTheBanner() {
        ViewModelFixture f;
        QVERIFY(startWithFour(f));
        const StatusText scanned = f.vm.status();
        f.add({video(u"e"_qs, 5)});
        changeOutside(f, {});
        QCOMPARE(f.vm.items().size(), 4u);
        QCOMPARE(f.vm.status(), scanned);
        QVERIFY(f.vm.hasExternalChanges());
        // Until the next scan.
        QVERIFY(f.scan());
        QVERIFY(!f.vm.hasExternalChanges());
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
        changeOutside(f, {"b"});
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
        for (int i = 0; i < 300; ++i) {
            const QString id = QStringLiteral("v%1").arg(i, 3, 10, QLatin1Char('0'));
            // The first batch is read at once; the second waits for its size probes.
            f.platform->addAsset(i < 200 ? fastAsset(id, id, 10 + i, localTime(2023, 1, 1) - i * 1h)
                                         : bareAsset(id, localTime(2023, 1, 1) - i * 1h));
        }
        if (!acting) {
            // A refresh after the first batch puts records in the list while the scan runs.
            QObject::connect(&f.vm, &VideoListViewModel::scanCompletedCountChanged, &f.vm, [&f] {
                if (f.vm.scanCompletedCount() == 0)
                    return;
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
        changeOutside(f, {"v001"});
        QVERIFY(QTest::qWaitFor([&f] {
            f.platform->releaseHeld();
            return !f.vm.isScanning() && !f.vm.isPerformingItemAction();
        }));
        f.clock->advance(2s);
        f.settle();
        QVERIFY(!f.vm.hasExternalChanges());
        QCOMPARE(f.vm.items().size(), 300u);
    }

    void ignoredWithoutVideosOrAfterStop() {
        ViewModelFixture f;
        f.vm.start();
        QTRY_VERIFY(!f.vm.isScanning());
        changeOutside(f, {});
        QVERIFY(!f.vm.hasExternalChanges());

        f.add({video(u"a"_qs, 1), video(u"b"_qs, 2)});
        QVERIFY(f.scan());
        // A notice already on its way when the window goes away is not acted on either.
        f.platform->removeAsset(u"a"_qs);
        f.platform->notifyChange();
        f.vm.stop();
        f.settle();
        QCOMPARE(f.platform->counters().identifierFetches, 0);
        QVERIFY(!f.vm.hasExternalChanges());
    }
};

ORSENTA_TEST_MAIN(TestViewModelChanges)
#include "tst_viewmodelchanges.moc"
