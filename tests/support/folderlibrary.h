// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder library as the application runs it, over an index and folders a test chooses.
// Header-only: it reads videos with the probe helper named by ORSENTA_PROBE_HELPER, which only
// the tests that build beside the helper define.

#include "awaittask.h"
#include "library/photolibraryservice.h"
#include "library/platform/folder/folderplatform.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace orsenta::test {

using platform::FolderPlatform;
using platform::FolderPlatformOptions;
using platform::LibraryRoots;

struct FolderLibrary {
    QString indexPath;
    std::shared_ptr<FolderPlatform> platform;
    std::shared_ptr<PhotoLibraryService> service;

    // Over `roots`, or the desktop's Videos and Pictures folders when there are none.
    explicit FolderLibrary(const QString &index, std::optional<LibraryRoots> roots = std::nullopt)
        : indexPath(index) {
        FolderPlatformOptions options;
        options.roots = std::move(roots);
        options.indexPath = indexPath;
        options.probeHelperPath = QStringLiteral(ORSENTA_PROBE_HELPER);
        platform = std::make_shared<FolderPlatform>(options);
        service = PhotoLibraryService::create(platform);
    }

    // Every video, as the application's scan reads them after asking for access, with the
    // fingerprints of the pass that follows the scan.
    std::vector<VideoItem> scan(ScanTimings *timings = nullptr) const {
        await(service->requestAccess());
        const std::int64_t count = await(service->beginScan());
        std::vector<VideoItem> items = await(service->nextScanBatch(0, count));
        const ScanTimings finished = await(service->finishScan());
        if (timings)
            *timings = finished;
        QStringList ids;
        for (const VideoItem &item : items)
            ids << item.localIdentifier();
        const platform::VideoFingerprints made = await(service->fingerprintVideos(ids, {}));
        for (VideoItem &item : items) {
            if (const auto it = made.find(item.localIdentifier()); it != made.end())
                item = item.withFingerprint(it->second);
        }
        return items;
    }
};

// The video of that file name among `items`, or null.
inline const VideoItem *itemNamed(const std::vector<VideoItem> &items, const QString &name) {
    const auto found = std::find_if(items.begin(), items.end(), [&](const VideoItem &item) {
        return item.displayName() == name;
    });
    return found == items.end() ? nullptr : &*found;
}

} // namespace orsenta::test
