// SPDX-License-Identifier: GPL-3.0-or-later
// The scan as the window sees it: how each scan ends, its batches, stops in the middle, the
// pacing of refreshes and the sizes the probes find.

#include "library/platform/folder/folderplatform.h"
#include "support/temphome.h"
#include "support/testmain.h"
#include "viewmodelfixture.h"

#include <QTemporaryDir>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace std::chrono_literals;

namespace {

QStringList scanLog;
QtMessageHandler otherMessages = nullptr;

void keepScanLog(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (context.category && QByteArrayView(context.category) == "orsenta.scan")
        scanLog.append(message);
    else
        otherMessages(type, context, message);
}

// Runs `action` once the library has been counted.
template <typename Action>
void afterCounting(ViewModelFixture &f, Action action) {
    QObject::connect(&f.vm, &VideoListViewModel::scanTotalCountChanged, &f.vm, [&f, action] {
        if (f.vm.scanTotalCount() > 0)
            action();
    });
}

// Stops the scan from the event loop, as the window does: after the view model has handed its
// next request to the service and before it hears back.
void stopSoon(ViewModelFixture &f) {
    QMetaObject::invokeMethod(
        &f.vm, [&f] { f.vm.stop(); }, Qt::QueuedConnection);
}

} // namespace

class TestViewModelScan : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        scanLog.clear();
        otherMessages = qInstallMessageHandler(keepScanLog);
    }
    void cleanup() { qInstallMessageHandler(otherMessages); }

    // Every way a scan ends but stop(), which has a test of its own.
    void endings_data() {
        QTest::addColumn<int>("videos");
        QTest::addColumn<bool>("granted");
        QTest::addColumn<qint64>("failFrom"); // -2: nothing fails; -1: counting fails
        QTest::addColumn<bool>("cancelCode"); // the library's error carries the user-cancel code
        QTest::addColumn<bool>("stops");      // the scan is stopped before the failing batch
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("shown"); // also the count read
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("countQueries"); // the begin, then one per batch
        QTest::addColumn<QString>("summary");  // its first line; empty: nothing logged
        QTest::addColumn<QString>("error");

        const QString none;
        const QString denied = u"Orsenta may not read your video folders."_qs;
        QTest::newRow("access refused")
            << 3 << false << -2ll << false << false
            << u"Orsenta needs to read your video folders."_qs << 0 << 0ll << 0 << none << none;
        QTest::newRow("no videos")
            << 0 << true << -2ll << false << false << u"No videos in your video folders."_qs << 0
            << 0ll << 1 << none << none;
        QTest::newRow("completed in three batches")
            << 450 << true << -2ll << false << false << u"450 videos, size known for 450."_qs << 450
            << 450ll << 4
            << u"scan timings: 450 assets, 0 slow path, 0 probed,     3000 ms total"_qs << none;
        // Only a cancellation the scan asked for is one: the code alone is a failure.
        QTest::newRow("library says cancelled while counting, unasked")
            << 450 << true << -1ll << true << false << u"Scan failed."_qs << 0 << 0ll << 1 << none
            << u"Stop"_qs;
        QTest::newRow("counting fails") << 450 << true << -1ll << false << false
                                        << u"Scan failed."_qs << 0 << 0ll << 1 << none << denied;
        QTest::newRow("library says cancelled in a batch, unasked: the refresh stays")
            << 450 << true << 250ll << true << false << u"Scan failed."_qs << 200 << 450ll << 3
            << none << u"Stop"_qs;
        QTest::newRow("stopped, then the library cancels a batch: the refresh stays")
            << 450 << true << 250ll << true << true << u"Scan cancelled."_qs << 200 << 450ll << 3
            << u"scan timings: 200 assets, 0 slow path, 0 probed,     1000 ms total"_qs << none;
        QTest::newRow("a batch fails: the refresh stays")
            << 450 << true << 250ll << false << false << u"Scan failed."_qs << 200 << 450ll << 3
            << none << denied;
    }
    void endings() {
        QFETCH(int, videos);
        QFETCH(bool, granted);
        QFETCH(qint64, failFrom);
        QFETCH(bool, cancelCode);
        QFETCH(bool, stops);
        QFETCH(int, shown);
        QFETCH(qint64, total);
        ViewModelFixture f;
        f.addVideos(videos);
        if (!granted)
            f.platform->setStatusAfterRequest(AuthorizationStatus::denied);
        if (failFrom > -2) {
            f.scanFaults->failFrom = failFrom;
            f.scanFaults->failure = std::make_exception_ptr(
                cancelCode ? PhotoLibraryError::operationFailed(
                    PlatformError{u"Scan"_qs, userCancelledErrorCode, u"Stop"_qs})
                           : PhotoLibraryError::notAuthorized());
        }
        f.afterEachBatch([&f, stops] {
            f.clock->advance(1s);
            if (stops)
                stopSoon(f);
        });

        QVERIFY(f.scan());
        QTEST(f.vm.status().text(), "status");
        QCOMPARE(f.vm.visibleItems().size(), std::size_t(shown));
        QCOMPARE(f.vm.stats().totalCount, shown);
        QCOMPARE(f.vm.scanCompletedCount(), shown);
        QCOMPARE(f.vm.scanTotalCount(), total);
        QCOMPARE(f.vm.scanProgress(), std::nullopt);
        QTEST(f.scanFaults->countQueries.load(), "countQueries");
        QCOMPARE(f.vm.authorizationStatus(),
                 granted ? AuthorizationStatus::authorized : AuthorizationStatus::denied);
        QTEST(f.vm.errorMessage().value_or(QString()), "error");
        QVERIFY(scanLog.size() <= 1);
        QTEST(scanLog.value(0).section(QLatin1Char('\n'), 0, 0), "summary");
    }

    void stopMidScan_data() {
        QTest::addColumn<int>("stage"); // 0: first batch read, 1: second batch read, 2: probe
        QTest::addColumn<QString>("status");
        QTest::newRow("while the first batch is read")
            << 0 << u"Scan cancelled at 0 of 450 videos."_qs;
        QTest::newRow("while the second batch is read")
            << 1 << u"Scan cancelled at 200 of 450 videos."_qs;
        QTest::newRow("while the second batch is probed")
            << 2 << u"Scan cancelled at 200 of 450 videos."_qs;
    }
    void stopMidScan() {
        QFETCH(int, stage);
        ViewModelFixture f;
        f.addVideos(450, stage == 2 ? 200 : INT_MAX);
        if (stage == 0) {
            afterCounting(f, [&f] { stopSoon(f); });
        } else if (stage == 1) {
            f.afterEachBatch([&f] { stopSoon(f); });
        } else {
            // The probes of the second batch wait for the library until the test lets them go.
            f.afterEachBatch([&f] { f.platform->setDelivery(MemoryPlatform::Delivery::held); });
        }
        f.vm.startScan();
        if (stage == 2) {
            QTRY_VERIFY(f.platform->heldCount() > 0);
            f.vm.stop();
        }
        QVERIFY(QTest::qWaitFor([&f] {
            f.platform->releaseHeld();
            return !f.vm.isScanning();
        }));
        QTEST(f.vm.status().text(), "status");
        QCOMPARE(f.vm.stats().totalCount, f.vm.status().counts().front());
        // The batch in flight is never requested again, and its records are not added.
        QCOMPARE(f.scanFaults->batchRequests(), stage == 0 ? 1 : 2);
        QCOMPARE(scanLog.size(), 1);
    }

    void refreshesAtMostOncePerSecond_data() {
        QTest::addColumn<int>("videos");
        QTest::addColumn<int>("msFirstBatch");
        QTest::addColumn<int>("msPerLaterBatch");
        QTest::addColumn<int>("publications");
        // The empty list at the start, then the refreshes, then the end when it adds anything.
        QTest::newRow("all within a second: shown once, at the end") << 450 << 0 << 0 << 2;
        QTest::newRow("just under a second each: one refresh") << 450 << 999 << 999 << 3;
        QTest::newRow("a second each: a refresh per batch, nothing left at the end")
            << 450 << 1000 << 1000 << 4;
        QTest::newRow("four batches inside the second after a refresh: no refresh for them")
            << 1000 << 1000 << 100 << 3;
    }
    void refreshesAtMostOncePerSecond() {
        QFETCH(int, videos);
        QFETCH(int, msFirstBatch);
        QFETCH(int, msPerLaterBatch);
        QFETCH(int, publications);
        ViewModelFixture f;
        f.addVideos(videos);
        int batches = 0;
        f.afterEachBatch([&] {
            f.clock->advance(
                std::chrono::milliseconds(batches++ == 0 ? msFirstBatch : msPerLaterBatch));
        });
        QSignalSpy published(&f.vm, &VideoListViewModel::visibleItemsChanged);
        QVERIFY(f.scan());
        QCOMPARE(published.size(), publications);
        QCOMPARE(f.vm.visibleItems().size(), std::size_t(videos));
        // More of the same view is an update of the rows, not a new set of them.
        QCOMPARE(f.vm.rowSetIdentity(), 0);
    }

    void probesFillInOnlyUnknownSizes() {
        ViewModelFixture f;
        QTemporaryDir folder;
        QFile file(folder.filePath(u"probed.mov"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'x')) == 5000);
        file.close();
        MemoryAsset probed = bareAsset(u"probed"_qs);
        probed.media = MediaAsset{file.fileName(), true, true, 1};
        f.add({video(u"known"_qs, 100), probed, bareAsset(u"unknown"_qs), bareAsset(u"gone"_qs)});
        // Read from the scan's fetch, then gone before its probe.
        afterCounting(f, [&f] { f.platform->removeAsset(u"gone"_qs); });
        QVERIFY(f.scan());
        QCOMPARE(f.vm.status().text(), u"4 videos, size known for 2."_qs);
        QCOMPARE(f.record("known").sizeState(), SizeState::known(100, SizeSource::photosMetadata));
        QVERIFY(f.record("probed").sizeState().isKnown());
        QCOMPARE(f.record("unknown").sizeState(), SizeState::unavailable());
        QCOMPARE(f.record("gone").sizeState(), SizeState::failed());
        QCOMPARE(f.vm.stats().unknownSizeCount, 2);
        QVERIFY(scanLog.front().startsWith(u"scan timings: 4 assets, 3 slow path, 3 probed"_qs));
    }

    // The real folder library over a few thousand empty videos, scanned again and again: each
    // takes the slow read and a size probe on every scan, and every scan ends.
    void everyScanOfEmptyVideosEnds() {
        TempHome home;
        QVERIFY(home.isValid());
        const int count = 3000;
        for (int i = 0; i < count; ++i)
            QVERIFY(!home.write(u"Videos/empty %1.mp4"_qs.arg(i), {}).isEmpty());
        FolderPlatformOptions options;
        options.indexPath = home.indexPath();
        options.probeHelperPath = QStringLiteral(ORSENTA_PROBE_HELPER);
        VideoListViewModel vm(std::make_shared<FolderPlatform>(options),
                              std::make_shared<FakeToolkit>(), std::make_shared<FakeClock>());
        for (int scan = 1; scan <= 4; ++scan) {
            vm.startScan();
            // A bound that only turns a scan that never ends into a failure.
            QVERIFY2(QTest::qWaitFor([&] { return !vm.isScanning(); }, 240'000),
                     qPrintable(u"scan %1 never ended"_qs.arg(scan)));
            QCOMPARE(vm.scanCompletedCount(), count);
        }
        QVERIFY(serviceIdle(vm));
    }
};

ORSENTA_TEST_MAIN(TestViewModelScan)
#include "tst_viewmodelscan.moc"
