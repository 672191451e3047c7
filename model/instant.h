// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Points in time for the catalog: microseconds since the Unix epoch, UTC.

#include <chrono>

namespace orsenta {

using Instant = std::chrono::sys_time<std::chrono::microseconds>;

// 0001-01-01 00:00:00 UTC: the one stand-in for a video whose creation date is unknown.
inline constexpr Instant distantPast{
    std::chrono::sys_days{std::chrono::year{1} / std::chrono::January / 1}};

constexpr bool isDistantPast(Instant instant) {
    return instant == distantPast;
}

} // namespace orsenta
