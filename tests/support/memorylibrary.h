// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building in-memory libraries in tests: assets with or without the library-held members.

#include "awaittask.h"
#include "library/photolibraryservice.h"
#include "library/platform/memory/memoryplatform.h"

#include <memory>

namespace orsenta::test {

using platform::MemoryAsset;
using platform::MemoryPlatform;

// An asset whose file name and size the library holds (the scan's fast path).
MemoryAsset fastAsset(const QString &id, const QString &filename, std::int64_t bytes,
                      std::optional<Instant> date = std::nullopt);
// An asset the library knows nothing about beyond its identifier: no members, no resources.
MemoryAsset bareAsset(const QString &id, std::optional<Instant> date = std::nullopt);
// A video resource of the asset.
platform::AssetResource videoResource(const QString &id, const QString &filename,
                                      std::optional<std::int64_t> dataSize = std::nullopt,
                                      int type = platform::resourcetype::video);

struct ServiceFixture {
    std::shared_ptr<MemoryPlatform> platform = std::make_shared<MemoryPlatform>();
    std::shared_ptr<PhotoLibraryService> service = PhotoLibraryService::create(platform);
};

} // namespace orsenta::test
