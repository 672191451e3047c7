#pragma once
// Same-size groups (likely duplicate copies), the bytes they waste, and the copies to select.

#include "filters.h"
#include "videoitem.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

namespace orsenta {

struct DuplicateSummary {
    DuplicateSizes countsBySize;       // byte count → videos of that size, for shared sizes only
    std::int64_t videoCount = 0;       // videos that belong to some group
    std::int64_t reclaimableBytes = 0; // freed by keeping one video of each group

    std::int64_t groupCount() const { return countsBySize.size(); }
    friend bool operator==(const DuplicateSummary &, const DuplicateSummary &) = default;
};

// Only known sizes of at least one byte form or join a group.
DuplicateSummary summarizeDuplicates(const std::vector<VideoItem> &items);

// Every copy but the keeper of each same-size group among `items`: the keeper is a favourite
// when the group has one, then the oldest, then the one with the smallest identifier.
QSet<QString> extraCopyIdentifiers(const std::vector<VideoItem> &items);

} // namespace orsenta
