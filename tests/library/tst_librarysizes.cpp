// SPDX-License-Identifier: GPL-3.0-or-later
// Size probes: the order of sources, the window of concurrent probes, cancellation.

#include "library/filesize.h"
#include "support/memorylibrary.h"
#include "support/samplevideos.h"
#include "support/testmain.h"

#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace std::chrono_literals;

namespace {

// An asset with no size in the library and a file at `path`.
MemoryAsset fileAsset(const QString &id, const QString &path) {
    MemoryAsset asset = bareAsset(id);
    asset.media = MediaAsset{path, true, true, 1.0};
    return asset;
}

// Assets "0", "1", … without a size in the library, with the file at `path` when one is given.
QStringList addNumbered(MemoryPlatform &platform, int count, const QString &path = {}) {
    QStringList ids;
    for (int i = 0; i < count; ++i) {
        ids << QString::number(i);
        platform.addAsset(path.isEmpty() ? bareAsset(ids.last()) : fileAsset(ids.last(), path));
    }
    return ids;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, qint64 bytes) {
    const QString path = dir.filePath(name);
    return writeNewFile(path, QByteArray(bytes, 'x')) ? path : QString();
}

// A file of `length` bytes that occupies no blocks.
QString sparseFile(const QTemporaryDir &dir, const QString &name, qint64 length) {
    const QString path = dir.filePath(name);
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY, 0600);
    if (fd < 0 || ::ftruncate(fd, length) != 0)
        return {};
    ::close(fd);
    return path;
}

} // namespace

class TestLibrarySizes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sourcesInOrder() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fourKiB = writeFile(dir, u"small.mov"_qs, 4096);
        ServiceFixture f;
        f.platform->setResourceDataSizesAvailable(true);

        MemoryAsset metadataWins = fileAsset(u"metadata"_qs, fourKiB);
        metadataWins.asset.members.set(members::fileSize, SignedMember{77});
        metadataWins.resources = {videoResource(u"metadata"_qs, u"a.mov"_qs, 88)};
        f.platform->addAsset(metadataWins);

        MemoryAsset dataSize = fileAsset(u"dataSize"_qs, fourKiB);
        dataSize.resources = {videoResource(u"dataSize"_qs, u"a.mov"_qs, 88)};
        f.platform->addAsset(dataSize);

        f.platform->addAsset(fileAsset(u"file"_qs, fourKiB));
        f.platform->addAsset(bareAsset(u"notOnDevice"_qs));
        MemoryAsset refused = bareAsset(u"refused"_qs);
        refused.mediaError = PlatformError{u"PHPhotosErrorDomain"_qs, 3164, u"offline"_qs};
        f.platform->addAsset(refused);
        MemoryAsset streamed = bareAsset(u"streamed"_qs);
        streamed.media = MediaAsset{{}, false, true, 1.0};
        f.platform->addAsset(streamed);
        f.platform->addAsset(fileAsset(u"missingFile"_qs, dir.filePath(u"nothing.mov"_qs)));

        const auto sizes = await(f.service->probeSizes(
            {u"metadata"_qs, u"dataSize"_qs, u"file"_qs, u"notOnDevice"_qs, u"refused"_qs,
             u"streamed"_qs, u"missingFile"_qs, u"vanished"_qs},
            6));
        QCOMPARE(sizes.size(), 8);
        QCOMPARE(sizes[u"metadata"_qs], SizeState::known(77, SizeSource::photosMetadata));
        QCOMPARE(sizes[u"dataSize"_qs], SizeState::known(88, SizeSource::resourceDataSize));
        QCOMPARE(sizes[u"file"_qs], SizeState::known(4096, SizeSource::allocatedSize));
        for (const QString &id :
             {u"notOnDevice"_qs, u"refused"_qs, u"streamed"_qs, u"missingFile"_qs})
            QVERIFY2(sizes[id] == SizeState::unavailable(), qPrintable(id));
        QCOMPARE(sizes[u"vanished"_qs], SizeState::failed());
        // Probes never download.
        for (const auto &request : f.platform->mediaRequestLog()) {
            QVERIFY(!request.options.networkAccessAllowed);
            QCOMPARE(request.options.deliveryMode, VideoDeliveryMode::fastFormat);
        }
    }

    void fileSizeMeasuresWhatTheFileOccupies() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A sparse file occupies nothing, so its length is what is known of it.
        QCOMPARE(fileURLSize(sparseFile(dir, u"sparse.mov"_qs, 1'000'000)),
                 SizeState::known(1'000'000, SizeSource::logicalFileSize));
        QCOMPARE(fileURLSize(writeFile(dir, u"empty.mov"_qs, 0)),
                 SizeState::known(0, SizeSource::logicalFileSize));
        QCOMPARE(fileURLSize(dir.filePath(u"absent.mov"_qs)), SizeState::unavailable());
        const SizeState written = fileURLSize(writeFile(dir, u"one.mov"_qs, 1));
        QCOMPARE(written.source(), SizeSource::allocatedSize);
        QVERIFY(written.bytes() >= 1);
    }

    // An empty list asks nothing, nor does a probe cancelled before it starts; an identifier
    // listed twice is probed twice and listed once.
    void edgesOfTheList() {
        ServiceFixture f;
        f.platform->addAsset(bareAsset(u"a"_qs));
        QVERIFY(await(f.service->probeSizes({}, 6)).isEmpty());
        QCOMPARE(await(f.service->finishScan()), ScanTimings{});
        std::stop_source stop;
        stop.request_stop();
        QCOMPARE(await(f.service->probeSize(u"a"_qs, stop.get_token())), SizeState::unavailable());
        QCOMPARE(f.platform->counters().identifierFetches, 0);

        QCOMPARE(await(f.service->probeSizes({u"a"_qs, u"a"_qs}, 6)).size(), 1);
        QCOMPARE(f.platform->counters().mediaRequests, 2);
        QCOMPARE(await(f.service->finishScan()).probeCount, 2);
    }

    // Held media requests show how many probes run at once.
    void windowBoundsConcurrentProbes_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("window");
        QTest::newRow("limit of six") << 20 << 6ll << 6;
        QTest::newRow("zero still probes") << 4 << 0ll << 1;
        QTest::newRow("negative still probes") << 3 << -5ll << 1;
        QTest::newRow("short list starts all at once") << 3 << 6ll << 3;
    }
    void windowBoundsConcurrentProbes() {
        QFETCH(int, count);
        QFETCH(qint64, limit);
        QFETCH(int, window);
        ServiceFixture f;
        const QStringList ids = addNumbered(*f.platform, count);
        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        auto task = f.service->probeSizes(ids, limit);
        int released = 0;
        while (released < count) {
            QTRY_COMPARE(f.platform->heldCount(), std::min(window, count - released));
            QCOMPARE(f.platform->counters().inFlight, f.platform->heldCount());
            released += f.platform->releaseHeld(1);
        }
        const auto sizes = await(std::move(task));
        QCOMPARE(sizes.size(), count);
        QCOMPARE(f.platform->counters().maxInFlight, window);
        QCOMPARE(f.platform->counters().mediaRequests, count);
        const ScanTimings timings = await(f.service->finishScan());
        QCOMPARE(timings.probeCount, count);
        QVERIFY(timings.probe > MonotonicDuration::zero());
    }

    void cancellationStopsNewProbes() {
        ServiceFixture f;
        const QStringList ids = addNumbered(*f.platform, 10);
        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        std::stop_source stop;
        auto task = f.service->probeSizes(ids, 3, stop.get_token());
        QTRY_COMPARE(f.platform->heldCount(), 3);
        stop.request_stop();
        f.platform->releaseHeld();
        const auto sizes = await(std::move(task));
        QCOMPARE(sizes.size(), 3);
        QVERIFY(sizes.contains(u"0"_qs) && sizes.contains(u"2"_qs));
        QCOMPARE(f.platform->counters().mediaRequests, 3);
        QCOMPARE(await(f.service->finishScan()).probeCount, 10);
    }

    // However the library answers (from its own threads and twice, late, or never), every probe
    // ends exactly once: thousands of them, so that a lost resumption has no place to hide.
    void everyProbeIsAnsweredOnce_data() {
        QTest::addColumn<int>("delivery");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<bool>("answered");
        QTest::newRow("from other threads, twice")
            << int(MemoryPlatform::Delivery::otherThread) << true << true;
        QTest::newRow("late, from the event loop")
            << int(MemoryPlatform::Delivery::held) << false << true;
        QTest::newRow("never") << int(MemoryPlatform::Delivery::never) << false << false;
    }
    void everyProbeIsAnsweredOnce() {
        QFETCH(int, delivery);
        QFETCH(bool, twice);
        QFETCH(bool, answered);
        QTemporaryDir dir;
        const QString path = writeFile(dir, u"f.mov"_qs, 10);
        ServiceFixture f;
        const int count = 3000;
        const QStringList ids = addNumbered(*f.platform, count, path);
        f.platform->setDelivery(MemoryPlatform::Delivery(delivery));
        f.platform->setDuplicateCallbacks(twice);
        QTimer lateAnswers;
        connect(&lateAnswers, &QTimer::timeout, &lateAnswers, [&] { f.platform->releaseHeld(); });
        lateAnswers.start(0);
        const auto sizes = awaitWithin(f.service->probeSizes(ids, 6), 240s);
        QVERIFY2(sizes, "a probe was never answered");
        QCOMPARE(sizes->size(), count);
        for (const SizeState &size : *sizes) {
            if (answered)
                QCOMPARE(size.source(), SizeSource::allocatedSize);
            else
                QCOMPARE(size, SizeState::unavailable());
        }
        QCOMPARE(f.platform->counters().mediaRequests, count);
        QCOMPARE(await(f.service->finishScan()).probeCount, count);
    }
};

ORSENTA_TEST_MAIN(TestLibrarySizes)
#include "tst_librarysizes.moc"
