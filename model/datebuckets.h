// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sidebar's year and month groups: count and known bytes per group, titles, bar fill.

#include "videoitem.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace orsenta {

struct DateBucket {
    std::int64_t year = 0;
    std::optional<std::int64_t> month; // absent for a year bucket
    std::int64_t count = 0;
    std::int64_t knownBytes = 0;

    // year × 100 + month, an absent month counting as 0: 2023 → 202300, March 2023 → 202303.
    std::int64_t id() const { return year * 100 + month.value_or(0); }

    friend bool operator==(const DateBucket &, const DateBucket &) = default;
};

std::size_t qHash(const DateBucket &bucket, std::size_t seed = 0) noexcept;

struct DateBuckets {
    std::vector<DateBucket> years;                                // newest year first
    std::map<std::int64_t, std::vector<DateBucket>> monthsByYear; // newest month first

    friend bool operator==(const DateBuckets &, const DateBuckets &) = default;
};

// Groups every record with a creation date; records with the unknown date join no bucket.
DateBuckets buildDateBuckets(const std::vector<VideoItem> &items);

// The year as the user's locale writes a date holding only the year ("2023").
QString yearTitle(std::int64_t year);
// The abbreviated month name in the user's locale ("Mar").
QString monthTitle(std::int64_t year, std::int64_t month);

// The fill of a row's bar: its bytes over the largest of its siblings, between 0 and 1.
double relativeSize(std::int64_t bytes, std::int64_t largestSiblingBytes);

} // namespace orsenta
