// SPDX-License-Identifier: GPL-3.0-or-later
#include "memorylibrary.h"

namespace orsenta::test {

using namespace platform;

MemoryAsset fastAsset(const QString &id, const QString &filename, std::int64_t bytes,
                      std::optional<Instant> date) {
    MemoryAsset asset = bareAsset(id, date);
    asset.asset.members.set(members::originalFilename, ObjectMember{filename});
    asset.asset.members.set(members::fileSize, SignedMember{bytes});
    return asset;
}

MemoryAsset bareAsset(const QString &id, std::optional<Instant> date) {
    MemoryAsset asset;
    asset.asset.localIdentifier = id;
    asset.asset.creationDate = date;
    asset.asset.duration = 12.5;
    asset.asset.pixelWidth = 1920;
    asset.asset.pixelHeight = 1080;
    return asset;
}

AssetResource videoResource(const QString &id, const QString &filename,
                            std::optional<std::int64_t> dataSize, int type) {
    AssetResource resource;
    resource.assetLocalIdentifier = id;
    resource.type = type;
    resource.originalFilename = filename;
    resource.dataSize = dataSize;
    return resource;
}

} // namespace orsenta::test
