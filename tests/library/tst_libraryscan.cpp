// SPDX-License-Identifier: GPL-3.0-or-later
// The scan through the service: batches, the fast and slow reads, timings, access.

#include "library/propertyreaders.h"
#include "support/itembuilder.h"
#include "support/memorylibrary.h"
#include "support/testmain.h"

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

Q_DECLARE_METATYPE(orsenta::platform::Member)
Q_DECLARE_METATYPE(std::optional<orsenta::platform::MethodMember>)

namespace {

std::shared_ptr<const MemberSet> record(std::int64_t originalFilesize) {
    auto set = std::make_shared<MemberSet>();
    set->set(members::originalFilesize, SignedMember{originalFilesize});
    return set;
}

// The one asset a scan reads; any other count fails the test, in release builds too.
VideoItem scanOne(ServiceFixture &f) {
    const auto items = await(f.service->nextScanBatch(0, 10));
    if (items.size() == 1)
        return items.front();
    QTest::qFail("the scan did not read exactly one asset", __FILE__, __LINE__);
    return {};
}

} // namespace

class TestLibraryScan : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void batchesClampOffsetAndLimit_data() {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("first two") << 0ll << 2ll << QStringList{u"e"_qs, u"d"_qs};
        QTest::newRow("middle") << 2ll << 2ll << QStringList{u"c"_qs, u"b"_qs};
        QTest::newRow("limit past the end") << 3ll << 200ll << QStringList{u"b"_qs, u"a"_qs};
        QTest::newRow("negative offset reads from the start")
            << -4ll << 1ll << QStringList{u"e"_qs};
        QTest::newRow("offset at the end") << 5ll << 10ll << QStringList{};
        QTest::newRow("offset past the end") << 99ll << 10ll << QStringList{};
        QTest::newRow("zero limit") << 0ll << 0ll << QStringList{};
        QTest::newRow("negative limit") << 0ll << -3ll << QStringList{};
    }
    void batchesClampOffsetAndLimit() {
        QFETCH(qint64, offset);
        QFETCH(qint64, limit);
        QFETCH(QStringList, expected);
        ServiceFixture f;
        int day = 1;
        for (const char *id : {"a", "b", "c", "d", "e"})
            f.platform->addAsset(
                fastAsset(QString::fromLatin1(id), u"x.mov"_qs, 10, localTime(2023, 1, day++)));
        QCOMPARE(await(f.service->beginScan()), 5);
        QCOMPARE(identifiersOf(await(f.service->nextScanBatch(offset, limit))), expected);
        const ScanTimings timings = await(f.service->finishScan());
        QCOMPARE(timings.assetCount, expected.size());
        // Even a batch that reads nothing spends (and records) some time.
        QVERIFY(timings.batchTotal > MonotonicDuration::zero());
    }

    // One fetch serves a scan from its beginning until finishScan(), which hands over the
    // timings and resets them; a batch read without a beginning makes its own fetch and adds to
    // the timings all the same. Optional extensions load once for all of it.
    void fetchAndTimingsLastUntilFinished() {
        ServiceFixture f;
        for (int i = 0; i < 450; ++i)
            f.platform->addAsset(i % 3 ? fastAsset(QString::number(i), u"v.mov"_qs, 100)
                                       : bareAsset(QString::number(i)));
        QCOMPARE(await(f.service->beginScan()), 450);
        f.platform->addAsset(fastAsset(u"new"_qs, u"n.mov"_qs, 1, localTime(2024, 1, 1)));
        std::int64_t read = 0;
        for (std::int64_t offset = 0; offset < 450; offset += 200)
            read += std::int64_t(await(f.service->nextScanBatch(offset, 200)).size());
        QCOMPARE(read, 450);
        const ScanTimings first = await(f.service->finishScan());
        QCOMPARE(first.assetCount, 450);
        QCOMPARE(first.slowPathCount, 150);
        QCOMPARE(await(f.service->finishScan()), ScanTimings{});

        const std::vector<VideoItem> batch = await(f.service->nextScanBatch(0, 5));
        QCOMPARE(batch.size(), 5u);
        QCOMPARE(batch.front().localIdentifier(), u"new"_qs);
        QCOMPARE(await(f.service->nextScanBatch(5, 5)).size(), 5u);
        QCOMPARE(await(f.service->finishScan()).assetCount, 10);
        await(f.service->probeSizes({u"0"_qs, u"1"_qs}, 6));
        QCOMPARE(f.platform->counters().extensionLoads, 1);
    }

    void fastPathNeverListsResources() {
        ServiceFixture f;
        MemoryAsset asset = fastAsset(u"a"_qs, u"IMG_0001.MOV"_qs, 4096, localTime(2023, 3, 5));
        asset.resources = {videoResource(u"a"_qs, u"other.mov"_qs, 1)};
        asset.asset.mediaSubtypes = screenRecordingSubtype;
        asset.asset.isFavorite = true;
        f.platform->addAsset(asset);
        const VideoItem item = scanOne(f);
        QCOMPARE(f.platform->counters().resourceListings, 0);
        QCOMPARE(item.resourceFilename(), std::optional<QString>(u"IMG_0001.MOV"_qs));
        QCOMPARE(item.sizeState(), SizeState::known(4096, SizeSource::photosMetadata));
        QCOMPARE(std::tuple(item.isScreenRecording(), item.isFavorite(), item.creationYear(),
                            item.creationMonth(), item.duration()),
                 std::tuple(true, true, 2023, 3, 12.5));
        QCOMPARE(await(f.service->finishScan()).slowPathCount, 0);
    }

    // Each row breaks the fast path in one way; the read must fall through to the next source.
    void slowPathSources_data() {
        QTest::addColumn<Member>("fileSize");
        QTest::addColumn<Member>("filename");
        QTest::addColumn<bool>("dataSizes");
        QTest::addColumn<bool>("withOriginal");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<qint64>("expectedBytes"); // -1: unavailable
        QTest::addColumn<int>("expectedSource");

        const auto row = [](const char *tag, Member fileSize, Member filename, bool dataSizes,
                            bool withOriginal, const QString &name, qint64 bytes, SizeSource from) {
            QTest::newRow(tag) << fileSize << filename << dataSizes << withOriginal << name << bytes
                               << int(from);
        };
        const Member name = ObjectMember{u"lib.mov"_qs};
        const Member noName = ObjectMember{u""_qs};
        const auto metadata = SizeSource::photosMetadata;
        // The name is still read; nothing else offers a size.
        const auto noSize = [&](const char *tag, Member size) {
            row(tag, size, name, false, false, u"lib.mov"_qs, -1, metadata);
        };
        noSize("zero library size", SignedMember{0});
        noSize("NaN library size", DoubleMember{std::nan("")});
        noSize("infinite library size", DoubleMember{INFINITY});
        noSize("unsigned size with top bit", UnsignedMember{~0ull});
        noSize("size as text object", ObjectMember{u"500"_qs});
        noSize("size member unreadable", OpaqueMember{});
        row("float size truncates", FloatMember{2.75f}, noName, false, false, u"res.mov"_qs, 2,
            metadata);
        row("empty name takes the resource's", SignedMember{500}, noName, false, false,
            u"res.mov"_qs, 500, metadata);
        row("name of wrong type", SignedMember{500}, ObjectMember{NumberObject{3}}, false, false,
            u"res.mov"_qs, 500, metadata);
        row("resource data size when reported", OpaqueMember{}, name, true, true, u"lib.mov"_qs,
            700, SizeSource::resourceDataSize);
        row("original metadata size when data sizes are not reported", OpaqueMember{}, name, false,
            true, u"lib.mov"_qs, 900, metadata);
    }
    void slowPathSources() {
        QFETCH(Member, fileSize);
        QFETCH(Member, filename);
        QFETCH(bool, dataSizes);
        QFETCH(bool, withOriginal);
        QFETCH(QString, expectedName);
        QFETCH(qint64, expectedBytes);
        QFETCH(int, expectedSource);
        ServiceFixture f;
        f.platform->setResourceDataSizesAvailable(dataSizes);
        MemoryAsset asset = bareAsset(u"a"_qs);
        asset.asset.members.set(members::fileSize, fileSize);
        asset.asset.members.set(members::originalFilename, filename);
        if (withOriginal)
            asset.asset.members.set(members::originalMetadataProperties, ObjectMember{record(900)});
        // The full-size rendition is chosen over the video as taken.
        asset.resources = {
            videoResource(u"a"_qs, u"res.mov"_qs, 1),
            videoResource(u"a"_qs, u"edit.mov"_qs, 700, resourcetype::fullSizeVideo)};
        f.platform->addAsset(asset);

        const VideoItem item = scanOne(f);
        QCOMPARE(item.resourceFilename(), std::optional<QString>(expectedName));
        if (expectedBytes < 0)
            QCOMPARE(item.sizeState(), SizeState::unavailable());
        else
            QCOMPARE(item.sizeState(), SizeState::known(expectedBytes, SizeSource(expectedSource)));
        QCOMPARE(f.platform->counters().resourceListings, 1);
        QCOMPARE(await(f.service->finishScan()).slowPathCount, 1);
    }

    void bareAssetHasNoNameNoSizeAndNoDate() {
        ServiceFixture f;
        MemoryAsset asset = bareAsset(u"lonely"_qs);
        // An original-metadata object of a foreign class is not read.
        asset.asset.members.set(members::originalMetadataProperties,
                                ObjectMember{ForeignObject{u"NSProxy"_qs}});
        f.platform->addAsset(asset);
        const VideoItem item = scanOne(f);
        QCOMPARE(item.resourceFilename(), std::nullopt);
        QCOMPARE(item.sizeState(), SizeState::unavailable());
        QCOMPARE(item.creationDate(), distantPast);
    }

    void fetchAsksForOriginalMetadataWhenOffered_data() {
        QTest::addColumn<std::optional<MethodMember>>("setter");
        QTest::addColumn<bool>("offered"); // false: `setter` replaces the library's own
        const auto setter = [](int arguments, ValueType returns, ValueType argument) {
            MethodMember m;
            m.argumentCount = arguments;
            m.returns = returns;
            m.argument = argument;
            m.invoke = [](const ObjectValue &) {};
            return std::optional<MethodMember>(m);
        };
        QTest::newRow("offered by the library") << std::optional<MethodMember>() << true;
        QTest::newRow("absent") << std::optional<MethodMember>(std::nullopt) << false;
        QTest::newRow("two arguments") << setter(4, ValueType::none, ValueType::object) << false;
        QTest::newRow("returns a value")
            << setter(3, ValueType::object, ValueType::object) << false;
        QTest::newRow("takes a number")
            << setter(3, ValueType::none, ValueType::signedInteger) << false;
    }
    void fetchAsksForOriginalMetadataWhenOffered() {
        QFETCH(std::optional<MethodMember>, setter);
        QFETCH(bool, offered);
        ServiceFixture f;
        if (!offered)
            f.platform->setFetchPropertySetsMember(setter);
        f.platform->addAsset(fastAsset(u"a"_qs, u"a.mov"_qs, 1));
        QCOMPARE(await(f.service->beginScan()), 1);
        const QList<QStringList> requested = f.platform->fetchPropertySetsRequested();
        if (offered)
            QCOMPARE(requested, QList<QStringList>{{members::originalMetadataPropertySet}});
        else
            QVERIFY(requested.isEmpty());
    }

    void access() {
        ServiceFixture f;
        f.platform->addAsset(fastAsset(u"a"_qs, u"a.mov"_qs, 1));
        QCOMPARE(await(f.service->beginScan()), 1);
        await(f.service->nextScanBatch(0, 1));
        for (auto status : {AuthorizationStatus::denied, AuthorizationStatus::notDetermined,
                            AuthorizationStatus::restricted}) {
            f.platform->setAuthorizationStatus(status);
            try {
                await(f.service->beginScan());
                QFAIL("a scan without access must throw");
            } catch (const PhotoLibraryError &error) {
                QCOMPARE(error.kind(), PhotoLibraryError::Kind::notAuthorized);
                QCOMPARE(error.errorDescription(), u"Orsenta may not read your video folders."_qs);
            }
        }
        // The earlier fetch and its timings are still there.
        QCOMPARE(await(f.service->nextScanBatch(0, 1)).size(), 1u);
        QCOMPARE(await(f.service->finishScan()).assetCount, 2);
        f.platform->setAuthorizationStatus(AuthorizationStatus::limited);
        QCOMPARE(await(f.service->beginScan()), 1);

        // Asking hands over the final status once, however the library calls back.
        f.platform->setAuthorizationStatus(AuthorizationStatus::notDetermined);
        f.platform->setStatusAfterRequest(AuthorizationStatus::limited);
        f.platform->setDelivery(MemoryPlatform::Delivery::otherThread);
        f.platform->setDuplicateCallbacks(true);
        QCOMPARE(await(f.service->requestAccess()), AuthorizationStatus::limited);
        QCOMPARE(f.platform->counters().authorizationRequests, 1);
    }

    void summaryFormat() {
        using std::chrono::microseconds;
        using std::chrono::milliseconds;
        ScanTimings t;
        t.assetCount = 400;
        t.slowPathCount = 3;
        t.probeCount = 4;
        t.batchTotal = milliseconds(200);
        t.probe = microseconds(10'400);
        QCOMPARE(t.summary(milliseconds(50), milliseconds(1000)),
                 u"scan timings: 400 assets, 3 slow path, 4 probed,     1000 ms total\n"
                 "  fetch batches        200 ms    0.500 ms/asset\n"
                 "  size probe            10 ms     2.60 ms/probe\n"
                 "  ui recompute          50 ms\n"
                 "  render + sched       740 ms"_qs);
        // Nothing read and nothing probed divides by one; the remainder may be negative.
        const QString empty = ScanTimings{}.summary(milliseconds(5), milliseconds(2));
        QVERIFY(empty.contains(u"    0.000 ms/asset"_qs));
        QVERIFY(empty.contains(u"     0.00 ms/probe"_qs));
        QVERIFY(empty.endsWith(u"render + sched        -3 ms"_qs));
    }
};

ORSENTA_TEST_MAIN(TestLibraryScan)
#include "tst_libraryscan.moc"
