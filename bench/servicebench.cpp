// SPDX-License-Identifier: GPL-3.0-or-later
// The service's scan of a large library (every asset on the fast path) beside the floor of
// building the same records directly, and the cost of a thumbnail that is already cached.

#include "benchsupport.h"
#include "library/photolibraryservice.h"
#include "library/platform/memory/memoryplatform.h"

#include <QCoreApplication>
#include <QCoroTask>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int libraryCount = 100'000;
constexpr int batchSize = 200;

std::shared_ptr<MemoryPlatform> fastPathLibrary() {
    auto platform = std::make_shared<MemoryPlatform>();
    const auto start = Instant(std::chrono::seconds(1'600'000'000));
    for (int i = 0; i < libraryCount; ++i) {
        MemoryAsset asset;
        asset.asset.localIdentifier =
            QStringLiteral("%1-4E2B-4C1D-9A0F-3B7C5D2E1A90/L0/001").arg(i, 8, 16, QLatin1Char('0'));
        asset.asset.creationDate = start + std::chrono::seconds(i * 977);
        asset.asset.duration = 30.0 + i % 600;
        asset.asset.pixelWidth = 1920;
        asset.asset.pixelHeight = 1080;
        asset.asset.members.set(
            members::originalFilename,
            ObjectMember{QStringLiteral("IMG_%1.MOV").arg(i % 10000, 4, 10, QLatin1Char('0'))});
        asset.asset.members.set(members::fileSize, SignedMember{1'000'000 + i});
        platform->addAsset(std::move(asset));
    }
    return platform;
}

QCoro::Task<std::int64_t> scanAll(std::shared_ptr<PhotoLibraryService> service) {
    const std::int64_t count = co_await service->beginScan();
    std::int64_t read = 0;
    for (std::int64_t offset = 0; offset < count; offset += batchSize)
        read += std::int64_t((co_await service->nextScanBatch(offset, batchSize)).size());
    co_await service->finishScan();
    co_return read;
}

QCoro::Task<int> thumbnailHits(std::shared_ptr<PhotoLibraryService> service, int count) {
    int hits = 0;
    for (int i = 0; i < count; ++i)
        hits += (co_await service->thumbnail(QStringLiteral("thumb"), QSizeF(128, 80))) ? 1 : 0;
    co_return hits;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const std::shared_ptr<MemoryPlatform> platform = fastPathLibrary();
    MemoryAsset pictured;
    pictured.asset.localIdentifier = QStringLiteral("thumb");
    pictured.asset.creationDate = distantPast;
    pictured.asset.members.set(members::originalFilename, ObjectMember{QStringLiteral("t.mov")});
    pictured.asset.members.set(members::fileSize, SignedMember{1});
    QImage image(128, 80, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    pictured.image = image;
    platform->addAsset(pictured);
    const std::shared_ptr<PhotoLibraryService> service = PhotoLibraryService::create(platform);

    const double scanMs = medianMs(5, [&] { keep(QCoro::waitFor(scanAll(service))); });
    figure("service scan fast path", scanMs * 1000.0 / libraryCount, "us/asset");

    // Floor: the same records built straight from the same assets, no service in between.
    const std::unique_ptr<AssetFetchResult> all = platform->fetchVideoAssets({});
    const double buildMs = medianMs(5, [&] {
        std::vector<VideoItem> items;
        items.reserve(std::size_t(all->count()));
        for (std::int64_t i = 0; i < all->count(); ++i) {
            const AssetPtr asset = all->at(i);
            const auto &name = std::get<QString>(
                std::get<ObjectMember>(*asset->members.find(members::originalFilename)).value);
            const auto bytes =
                std::get<SignedMember>(*asset->members.find(members::fileSize)).value;
            items.emplace_back(asset->localIdentifier, QStringView(name), *asset->creationDate,
                               asset->duration, asset->pixelWidth, asset->pixelHeight,
                               asset->isFavorite, false,
                               SizeState::known(bytes, SizeSource::photosMetadata));
        }
        keep(items);
    });
    figure("floor build records", buildMs * 1000.0 / libraryCount, "us/asset");

    std::vector<VideoItem> built = QCoro::waitFor(service->nextScanBatch(0, libraryCount));
    const double copyMs = medianMs(5, [&] {
        std::vector<VideoItem> copy(built.begin(), built.end());
        keep(copy);
    });
    figure("floor copy records into a vector", copyMs * 1000.0 / libraryCount, "us/asset");
    ratio("service scan fast path", "floor build records", scanMs, buildMs);
    ratio("service scan fast path", "floor copy records into a vector", scanMs, copyMs);

    constexpr int hits = 20'000;
    QCoro::waitFor(service->thumbnail(QStringLiteral("thumb"), QSizeF(128, 80)));
    const double hitMs = medianMs(5, [&] { keep(QCoro::waitFor(thumbnailHits(service, hits))); });
    figure("thumbnail cache hit", hitMs * 1000.0 / hits, "us");
    return 0;
}
