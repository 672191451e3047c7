#include "duplicates.h"

#include <QHash>

namespace orsenta {

namespace {

std::optional<std::int64_t> groupingBytes(const VideoItem &item) {
    const SizeState size = item.sizeState();
    if (size.isKnown() && size.bytes() >= 1)
        return size.bytes();
    return std::nullopt;
}

bool replacesKeeper(const VideoItem &candidate, const VideoItem &keeper) {
    if (candidate.isFavorite() != keeper.isFavorite())
        return candidate.isFavorite();
    if (candidate.creationDate() != keeper.creationDate())
        return candidate.creationDate() < keeper.creationDate();
    return candidate.identifierKey() < keeper.identifierKey();
}

} // namespace

DuplicateSummary summarizeDuplicates(const std::vector<VideoItem> &items) {
    QHash<std::int64_t, std::int64_t> counts;
    counts.reserve(qsizetype(items.size()));
    for (const VideoItem &item : items) {
        if (const auto bytes = groupingBytes(item))
            ++counts[*bytes];
    }
    DuplicateSummary summary;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() < 2)
            continue;
        summary.countsBySize.insert(it.key(), it.value());
        summary.videoCount += it.value();
        summary.reclaimableBytes += it.key() * (it.value() - 1);
    }
    return summary;
}

QSet<QString> extraCopyIdentifiers(const std::vector<VideoItem> &items) {
    QHash<std::int64_t, std::vector<const VideoItem *>> groups;
    for (const VideoItem &item : items) {
        if (const auto bytes = groupingBytes(item))
            groups[*bytes].push_back(&item);
    }
    QSet<QString> extras;
    for (const auto &group : std::as_const(groups)) {
        if (group.size() < 2)
            continue;
        const VideoItem *keeper = group.front();
        for (const VideoItem *candidate : group) {
            if (replacesKeeper(*candidate, *keeper))
                keeper = candidate;
        }
        for (const VideoItem *member : group) {
            if (member->identifierKey() != keeper->identifierKey())
                extras.insert(member->localIdentifier());
        }
    }
    return extras;
}

} // namespace orsenta
