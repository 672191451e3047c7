// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Totals of the library and of the selection, for the status line and the selection bar.

#include "videoitem.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

namespace orsenta {

struct LibraryStats {
    std::int64_t totalCount = 0;
    std::int64_t visibleCount = 0;
    std::int64_t knownBytes = 0;
    std::int64_t unknownSizeCount = 0;

    friend bool operator==(const LibraryStats &, const LibraryStats &) = default;
};

struct SelectionStats {
    std::int64_t count = 0;
    std::int64_t knownBytes = 0;
    std::int64_t unknownSizeCount = 0;
    // What deleting the selection gives back once the Trash is emptied (see freedBytes()).
    std::int64_t freedBytes = 0;

    friend bool operator==(const SelectionStats &, const SelectionStats &) = default;
};

LibraryStats libraryStats(const std::vector<VideoItem> &items, std::int64_t visibleCount);

// Identifiers that name no record (a video that just left the library) are skipped.
SelectionStats selectionStatsOf(const QSet<QString> &selectedIdentifiers,
                                const QHash<QString, VideoItem> &itemsByIdentifier);

} // namespace orsenta
