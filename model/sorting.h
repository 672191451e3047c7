// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Comparing two records under a table sort descriptor, and sorting lists of records.

#include "sortorder.h"
#include "videoitem.h"

#include <vector>

namespace orsenta {

enum class ComparisonResult : std::int8_t { ascending = -1, same = 0, descending = 1 };

// Ascending when `a` goes before `b`. Unknown sizes end the list in both size orders; ties
// of the column fall back to the identifiers in Unicode scalar order, whatever the direction,
// so the order is total for distinct videos.
ComparisonResult compare(const VideoTableSortComparator &comparator, const VideoItem &a,
                         const VideoItem &b);

// The records in the order of `order`; stable.
std::vector<VideoItem> sortItems(std::vector<VideoItem> items, VideoSortOrder order);

} // namespace orsenta
