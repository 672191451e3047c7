// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails and preview media: sharing, caching, degraded and failed images.

#include "support/failuretext.h"
#include "support/memorylibrary.h"
#include "support/testmain.h"

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

namespace {

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

MemoryAsset pictured(const QString &id, QImage image) {
    MemoryAsset asset = bareAsset(id);
    asset.image = std::move(image);
    return asset;
}

const QSizeF cellSize(128, 80);

} // namespace

class TestLibraryMedia : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cachedByKeyAndRequestedAtTheExactSize() {
        ServiceFixture f;
        const QImage picture = solid(64, 40, Qt::red);
        f.platform->addAsset(pictured(u"a"_qs, picture));
        const ThumbnailPtr first = await(f.service->thumbnail(u"a"_qs, {127.9, 80.2}));
        QVERIFY(first);
        QCOMPARE(first->image(), picture);
        QCOMPARE(await(f.service->thumbnail(u"a"_qs, {127.1, 80.9})), first);
        QCOMPARE(f.platform->counters().cachingImageRequests, 1);
        const auto log = f.platform->imageRequestLog();
        QCOMPARE(log.size(), 1u);
        QCOMPARE(std::tuple(log[0].targetWidth, log[0].targetHeight, log[0].contentMode,
                            log[0].options.deliveryMode, log[0].options.resizeMode, log[0].caching,
                            log[0].options.networkAccessAllowed),
                 std::tuple(127.9, 80.2, ContentMode::aspectFill, ImageDeliveryMode::highQuality,
                            ImageResizeMode::fast, true, false));

        // Another size is another key and another request.
        QVERIFY(await(f.service->thumbnail(u"a"_qs, {64, 40})));
        QCOMPARE(f.platform->counters().cachingImageRequests, 2);
        QCOMPARE(PhotoLibraryService::thumbnailKey(u"ABC"_qs, {127.9, 80.2}), u"ABC:127x80"_qs);
    }

    void degradedImageIsNeverReturned() {
        ServiceFixture f;
        const QImage final = solid(64, 40, Qt::green);
        f.platform->addAsset(pictured(u"a"_qs, final));
        f.platform->setDegradedFirst(true);
        f.platform->setDuplicateCallbacks(true);
        f.platform->setDelivery(MemoryPlatform::Delivery::otherThread);
        const ThumbnailPtr thumbnail = await(f.service->thumbnail(u"a"_qs, cellSize));
        QVERIFY(thumbnail);
        QCOMPARE(thumbnail->image(), final);
    }

    // Nothing is cached for a request that gave no image, so the next call asks again.
    void failuresAreRetried_data() {
        QTest::addColumn<QByteArray>("how");
        QTest::newRow("vanished video") << QByteArray("vanished");
        QTest::newRow("image error") << QByteArray("error");
        QTest::newRow("no image") << QByteArray("empty");
        QTest::newRow("cancelled request") << QByteArray("cancelled");
        QTest::newRow("the library drops the request") << QByteArray("dropped");
    }
    void failuresAreRetried() {
        QFETCH(QByteArray, how);
        const bool cancelled = how == "cancelled";
        ServiceFixture f;
        if (how != "vanished") {
            MemoryAsset asset = bareAsset(u"a"_qs);
            if (how == "error")
                asset.imageError = PlatformError{u"d"_qs, 1, u"broken"_qs};
            if (cancelled || how == "dropped")
                asset.image = solid(4, 4, Qt::black);
            f.platform->addAsset(asset);
        }
        if (cancelled)
            f.platform->setDelivery(MemoryPlatform::Delivery::held);
        if (how == "dropped")
            f.platform->setDelivery(MemoryPlatform::Delivery::never);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            auto task = f.service->thumbnail(u"a"_qs, cellSize);
            if (cancelled) {
                QTRY_COMPARE(f.platform->heldCount(), 1);
                // Request ids count up from 1 across the library's managers.
                f.platform->defaultImageManager().cancelImageRequest(
                    RequestId(f.platform->imageRequestLog().size()));
                f.platform->releaseHeld();
            }
            QCOMPARE(await(std::move(task)), ThumbnailPtr());
            QCOMPARE(f.platform->counters().identifierFetches, attempt);
        }
    }

    // Simultaneous requests share one library request; a caller that leaves it stops no other.
    void simultaneousRequestsShareOne() {
        ServiceFixture f;
        const QImage picture = solid(16, 10, Qt::yellow);
        f.platform->addAsset(pictured(u"a"_qs, picture));
        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        std::stop_source leaving;
        auto first = f.service->thumbnail(u"a"_qs, cellSize);
        auto left = f.service->thumbnail(u"a"_qs, cellSize, leaving.get_token());
        auto second = f.service->thumbnail(u"a"_qs, cellSize);
        QTRY_COMPARE(f.platform->heldCount(), 1);
        leaving.request_stop();
        QCOMPARE(await(std::move(left)), ThumbnailPtr());
        f.platform->releaseHeld();
        const ThumbnailPtr image = await(std::move(first));
        QVERIFY(image);
        QCOMPARE(image->image(), picture);
        QCOMPARE(await(std::move(second)), image);
        QCOMPARE(f.platform->counters().cachingImageRequests, 1);
    }

    // A caller that has already left asks nothing. When every caller has left, the library
    // request is cancelled; a library that then never answers leaves nobody waiting, and the next
    // caller starts afresh.
    void lastCallerLeavingCancelsTheRequest() {
        ServiceFixture f;
        f.platform->addAsset(pictured(u"a"_qs, solid(16, 10, Qt::magenta)));
        std::stop_source gone;
        gone.request_stop();
        QCOMPARE(await(f.service->thumbnail(u"a"_qs, cellSize, gone.get_token())), ThumbnailPtr());
        QCOMPARE(f.platform->counters().identifierFetches, 0);
        f.platform->setDelivery(MemoryPlatform::Delivery::held);
        f.platform->setSilentCancellation(true);
        std::stop_source first;
        std::stop_source second;
        auto a = f.service->thumbnail(u"a"_qs, cellSize, first.get_token());
        auto b = f.service->thumbnail(u"a"_qs, cellSize, second.get_token());
        QTRY_COMPARE(f.platform->heldCount(), 1);
        first.request_stop();
        QCOMPARE(await(std::move(a)), ThumbnailPtr());
        QCOMPARE(f.platform->counters().inFlight, 1);
        second.request_stop();
        QCOMPARE(await(std::move(b)), ThumbnailPtr());
        // The library drops the cancelled request without a word.
        f.platform->releaseHeld();
        QCOMPARE(f.platform->counters().inFlight, 0);

        f.platform->setDelivery(MemoryPlatform::Delivery::immediate);
        QVERIFY(await(f.service->thumbnail(u"a"_qs, cellSize)));
        QCOMPARE(f.platform->counters().cachingImageRequests, 2);

        // A caller that comes just after the last one left, while the cancelled request may
        // still be on its way, starts afresh rather than joining it and getting nothing.
        f.platform->addAsset(pictured(u"b"_qs, solid(16, 10, Qt::cyan)));
        for (int attempt = 0; attempt < 20; ++attempt) {
            const QSizeF size(attempt + 1, attempt + 1);
            std::stop_source leaving;
            auto left = f.service->thumbnail(u"b"_qs, size, leaving.get_token());
            leaving.request_stop();
            auto next = f.service->thumbnail(u"b"_qs, size);
            QVERIFY(await(std::move(next)));
            await(std::move(left));
        }
    }

    void previewHandsOverTheMedia() {
        ServiceFixture f;
        MemoryAsset asset = bareAsset(u"a"_qs);
        asset.media = MediaAsset{u"/videos/a.mov"_qs, true, true, 3.5};
        f.platform->addAsset(asset);
        const PreviewAssetPtr preview = await(f.service->requestPreviewAsset(u"a"_qs));
        QCOMPARE(preview->asset().filePath, u"/videos/a.mov"_qs);
        const auto request = f.platform->mediaRequestLog().at(0);
        QVERIFY(request.options.networkAccessAllowed);
        QCOMPARE(request.options.deliveryMode, VideoDeliveryMode::automatic);
        QCOMPARE(request.options.version, VideoVersion::current);
    }

    // The library's own error is passed on; no media at all means no file on this computer.
    void previewErrors_data() {
        QTest::addColumn<bool>("withError");
        QTest::addColumn<QString>("text");
        QTest::newRow("library error") << true << u"The network is offline."_qs;
        QTest::newRow("nothing returned")
            << false << u"The file of this video is not available on this computer."_qs;
    }
    void previewErrors() {
        QFETCH(bool, withError);
        QFETCH(QString, text);
        ServiceFixture f;
        MemoryAsset asset = bareAsset(u"a"_qs);
        if (withError)
            asset.mediaError = PlatformError{u"NSURLErrorDomain"_qs, -1009, text};
        f.platform->addAsset(asset);
        QCOMPARE(failureText(f.service->requestPreviewAsset(u"a"_qs)), text);
    }
};

ORSENTA_TEST_MAIN(TestLibraryMedia)
#include "tst_librarymedia.moc"
