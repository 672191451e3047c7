// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/platform/memory/memoryplatform.h"
#include "support/testmain.h"

#include <QFile>
#include <QTemporaryDir>

#include <mutex>
#include <thread>

using namespace orsenta;
using namespace orsenta::platform;
using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace {

MemoryAsset video(const QString &id, std::optional<year> created = std::nullopt) {
    MemoryAsset asset;
    asset.asset.localIdentifier = id;
    if (created)
        asset.asset.creationDate = Instant{sys_days{*created / January / 1}};
    asset.media = MediaAsset{.filePath = u"/videos/"_s + id, .fileBacked = true};
    asset.resourceData = id.toUtf8();
    return asset;
}

QStringList identifiers(const AssetFetchResult &result) {
    QStringList ids;
    for (std::int64_t i = 0; i < result.count(); ++i)
        ids.append(result.at(i)->localIdentifier);
    return ids;
}

} // namespace

class TestMemoryPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fetchIsOrderedAndStaysStableWhileHeld() {
        MemoryPlatform platform;
        for (auto asset : {video(u"a"_s, year{2020}), video(u"undated"_s),
                           video(u"c"_s, year{2022}), video(u"d"_s, year{2020})})
            platform.addAsset(asset);
        const auto held = platform.fetchVideoAssets(platform.makeFetchOptions());
        const QStringList order{u"c"_s, u"a"_s, u"d"_s, u"undated"_s};
        QCOMPARE(identifiers(*held), order);

        platform.removeAsset(u"c"_s);
        platform.addAsset(video(u"e"_s, year{2023}));
        QCOMPARE(identifiers(*held), order);
        QCOMPARE(identifiers(*platform.fetchVideoAssets({})),
                 (QStringList{u"e"_s, u"a"_s, u"d"_s, u"undated"_s}));
        QCOMPARE(identifiers(*platform.fetchAssets({u"undated"_s, u"d"_s, u"c"_s, u"d"_s})),
                 (QStringList{u"d"_s, u"undated"_s}));
    }

    void heldDeliveriesWaitForReleaseAndCountAsInFlight() {
        MemoryPlatform platform;
        platform.addAsset(video(u"a"_s));
        const auto asset = platform.fetchAssets({u"a"_s})->at(0);
        platform.setDelivery(MemoryPlatform::Delivery::held);
        QStringList delivered;
        for (int i = 0; i < 3; ++i) {
            platform.defaultImageManager().requestMedia(asset, {}, [&](auto media, auto) {
                // Calling back in proves the handler does not run under the platform's lock.
                delivered.append(platform.contains(u"a"_s) ? media->filePath : QString());
                if (delivered.size() == 1)
                    platform.defaultImageManager().requestMedia(asset, {}, [](auto, auto) {});
            });
        }
        QCOMPARE(platform.counters().inFlight, 3);

        QCOMPARE(platform.releaseHeld(1), 1);
        QCOMPARE(delivered, QStringList{u"/videos/a"_s});
        QCOMPARE(platform.heldCount(), 3); // two left, one held by the handler
        QCOMPARE(platform.releaseHeld(), 3);
        QCOMPARE(delivered.size(), 3);
        // The request made inside the first handler came after the first was answered.
        const auto counters = platform.counters();
        QCOMPARE(std::pair(counters.inFlight, counters.maxInFlight), std::pair(0, 3));
    }

    void otherThreadDeliveriesEndWithThePlatform() {
        auto owner = std::make_unique<MemoryPlatform>();
        MemoryPlatform *platform = owner.get();
        platform->addAsset(video(u"a"_s));
        const auto asset = platform->fetchAssets({u"a"_s})->at(0);
        platform->setDelivery(MemoryPlatform::Delivery::otherThread);
        platform->setDuplicateCallbacks(true);
        std::mutex mutex;
        std::vector<std::thread::id> outer, inner;
        const auto record = [&](std::vector<std::thread::id> &ids) {
            std::lock_guard lock(mutex);
            ids.push_back(std::this_thread::get_id());
            return ids.size();
        };
        platform->defaultImageManager().requestMedia(asset, {}, [&](auto, auto) {
            if (record(outer) == 1)
                platform->defaultImageManager().requestMedia(asset, {},
                                                             [&](auto, auto) { record(inner); });
        });
        owner.reset(); // must wait for every delivery, including the one started by a handler
        QVERIFY(outer.size() == 2 && inner.size() == 2);
        QVERIFY(outer[0] != std::this_thread::get_id());
        for (const auto &id : inner)
            QVERIFY(id != outer[0] && id != std::this_thread::get_id());
    }

    void cancelledHeldImageRequestsDeliverNoImage() {
        MemoryPlatform platform;
        auto asset = video(u"a"_s);
        asset.image = QImage(8, 4, QImage::Format_RGB32);
        platform.addAsset(asset);
        const auto fetched = platform.fetchAssets({u"a"_s})->at(0);
        platform.setDelivery(MemoryPlatform::Delivery::held);
        const auto manager = platform.makeCachingImageManager();
        std::vector<std::pair<int, ImageResultInfo>> calls;
        for (int request = 0; request < 2; ++request) {
            platform.setSilentCancellation(request == 1);
            manager->cancelImageRequest(
                manager->requestImage(fetched, 8, 4, ContentMode::aspectFill, {},
                                      [&calls, request](auto image, auto info) {
                                          QVERIFY(!image);
                                          calls.emplace_back(request, info);
                                      }));
        }
        QCOMPARE(platform.releaseHeld(), 2);
        QVERIFY(calls.size() == 1 && calls[0].first == 0 && calls[0].second.cancelled);
        QCOMPARE(platform.counters().inFlight, 0);
    }

    void writeNeverReplacesAFile() {
        QTemporaryDir dir;
        MemoryPlatform platform;
        const QString path = dir.filePath(u"out.mov"_s);
        std::vector<std::optional<PlatformError>> results;
        for (const QString &id : {u"a"_s, u"b"_s}) {
            platform.addAsset(video(id));
            platform.writeResourceData({.assetLocalIdentifier = id}, path, {},
                                       [&](auto error) { results.push_back(error); });
        }
        QVERIFY(results.size() == 2 && !results[0] && results[1]);
        QVERIFY(results[1]->description.contains(u"already exists"_s));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "a");
    }
};

ORSENTA_TEST_MAIN(TestMemoryPlatform)
#include "tst_memoryplatform.moc"
