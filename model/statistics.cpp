// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics.h"

namespace orsenta {

LibraryStats libraryStats(const std::vector<VideoItem> &items, std::int64_t visibleCount) {
    LibraryStats stats;
    stats.totalCount = std::int64_t(items.size());
    stats.visibleCount = visibleCount;
    for (const VideoItem &item : items) {
        const SizeState size = item.sizeState();
        if (size.isKnown())
            stats.knownBytes += size.bytes();
        else
            ++stats.unknownSizeCount;
    }
    return stats;
}

SelectionStats selectionStatsOf(const QSet<QString> &selectedIdentifiers,
                                const QHash<QString, VideoItem> &itemsByIdentifier) {
    SelectionStats stats;
    for (const QString &identifier : selectedIdentifiers) {
        const auto it = itemsByIdentifier.constFind(identifier);
        if (it == itemsByIdentifier.cend())
            continue;
        ++stats.count;
        stats.freedBytes += it->freedBytes();
        const SizeState size = it->sizeState();
        if (size.isKnown())
            stats.knownBytes += size.bytes();
        else
            ++stats.unknownSizeCount;
    }
    return stats;
}

} // namespace orsenta
