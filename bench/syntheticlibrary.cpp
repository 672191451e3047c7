// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntheticlibrary.h"

#include <QRandomGenerator>
#include <QString>

namespace orsenta::bench {

namespace {

QString identifier(QRandomGenerator &random) {
    static const char hex[] = "0123456789ABCDEF";
    QString id;
    id.reserve(43);
    for (int i = 0; i < 36; ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            id += QLatin1Char('-');
        else
            id += QLatin1Char(hex[random.bounded(16)]);
    }
    return id + QStringLiteral("/L0/001");
}

QString fileName(QRandomGenerator &random, int index) {
    const int kind = int(random.bounded(100));
    const int n = int(random.bounded(10000));
    if (kind < 40)
        return QStringLiteral("IMG_%1.MOV").arg(n, 4, 10, QLatin1Char('0'));
    if (kind < 50)
        return QStringLiteral("img_%1.mov").arg(n, 4, 10, QLatin1Char('0'));
    if (kind < 60)
        return QStringLiteral("clip (%1).mp4").arg(random.bounded(20) + 1);
    if (kind < 75)
        return QStringLiteral("VID_2023%1_%2.mp4")
            .arg(random.bounded(1, 1232), 4, 10, QLatin1Char('0'))
            .arg(index, 6, 10, QLatin1Char('0'));
    if (kind < 80)
        return QStringLiteral("Caf\u00e9 au lait %1.mov").arg(n);
    if (kind < 85)
        return QStringLiteral("Cafe\u0301 au lait %1.MOV").arg(n);
    if (kind < 95)
        return QStringLiteral("Family holiday in \u00d8rland, day %1 - the long walk by the water "
                              "and the boats %2.m4v")
            .arg(random.bounded(30))
            .arg(n);
    return QStringLiteral("Screen Recording 2024-03-%1 at %2.%3.%4.mov")
        .arg(random.bounded(1, 29), 2, 10, QLatin1Char('0'))
        .arg(random.bounded(24))
        .arg(random.bounded(60), 2, 10, QLatin1Char('0'))
        .arg(random.bounded(60), 2, 10, QLatin1Char('0'));
}

} // namespace

std::vector<VideoItem> syntheticLibrary(int count, unsigned seed) {
    QRandomGenerator random(seed);
    std::vector<VideoItem> items;
    items.reserve(count);
    std::vector<std::int64_t> groupSizes;
    const auto start = Instant(std::chrono::seconds(1'262'304'000)); // 2010
    for (int i = 0; i < count; ++i) {
        const int roll = int(random.bounded(100));
        SizeState size =
            SizeState::known(random.bounded(Q_INT64_C(1'000'000), Q_INT64_C(4'000'000'000)),
                             SizeSource::photosMetadata);
        if (roll < 3) {
            size = SizeState::unavailable();
        } else if (roll < 8) {
            if (groupSizes.empty() || random.bounded(2) == 0)
                groupSizes.push_back(size.bytes());
            size = SizeState::known(groupSizes[random.bounded(int(groupSizes.size()))],
                                    SizeSource::photosMetadata);
        }
        const Instant date =
            random.bounded(200) == 0
                ? distantPast
                : start + std::chrono::seconds(random.bounded(Q_INT64_C(500'000'000)));
        const bool portrait = random.bounded(4) == 0;
        const std::int64_t longSide = random.bounded(3) == 0 ? 3840 : 1920;
        const std::int64_t shortSide = longSide == 3840 ? 2160 : 1080;
        const QString name = fileName(random, i);
        items.emplace_back(identifier(random), name, date, random.bounded(1.0) * 600.0,
                           portrait ? shortSide : longSide, portrait ? longSide : shortSide,
                           random.bounded(20) == 0, name.startsWith(QStringLiteral("Screen")),
                           size);
    }
    return items;
}

std::shared_ptr<platform::MemoryPlatform> memoryLibraryOf(const std::vector<VideoItem> &records) {
    using namespace platform;
    auto library = std::make_shared<MemoryPlatform>();
    for (const VideoItem &record : records) {
        MemoryAsset asset;
        asset.asset.localIdentifier = record.localIdentifier();
        if (!isDistantPast(record.creationDate()))
            asset.asset.creationDate = record.creationDate();
        asset.asset.duration = record.duration();
        asset.asset.pixelWidth = record.pixelWidth();
        asset.asset.pixelHeight = record.pixelHeight();
        asset.asset.members.set(members::originalFilename, ObjectMember{record.displayName()});
        if (const auto bytes = record.sizeState().knownBytes())
            asset.asset.members.set(members::fileSize, SignedMember{*bytes});
        library->addAsset(std::move(asset));
    }
    return library;
}

} // namespace orsenta::bench
