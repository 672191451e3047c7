// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choosing the video a group keeps by rules tried in order, and naming the rule that kept it.

#include "videoitem.h"

#include <algorithm>
#include <vector>

namespace orsenta {

// Which of two videos has the better claim to stay, and the first rule that told them apart.
template <typename Reason>
struct KeeperDecision {
    bool firstWins = false;
    Reason rule{};
};

template <typename Reason>
struct KeeperChoice {
    const VideoItem *item;
    Reason reason;
};

// The member no other beats, by `decide(a, b)`. Its reason is the rule that beat the nearest
// rival: the rules form a lexicographic order, so no other member was set apart by a later one.
template <typename Decide>
auto chooseKeeper(const std::vector<const VideoItem *> &group, Decide decide) {
    using Reason = decltype(decide(*group.front(), *group.front()).rule);
    const VideoItem *keeper = group.front();
    for (const VideoItem *candidate : group) {
        if (candidate != keeper && decide(*candidate, *keeper).firstWins)
            keeper = candidate;
    }
    Reason reason{};
    for (const VideoItem *other : group) {
        if (other != keeper)
            reason = std::max(reason, decide(*keeper, *other).rule);
    }
    return KeeperChoice<Reason>{keeper, reason};
}

} // namespace orsenta
