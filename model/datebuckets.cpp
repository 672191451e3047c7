// SPDX-License-Identifier: GPL-3.0-or-later
#include "datebuckets.h"

#include "catalogcalendar.h"
#include "dateformat.h"

#include <QHashFunctions>

#include <algorithm>

namespace orsenta {

std::size_t qHash(const DateBucket &bucket, std::size_t seed) noexcept {
    return qHashMulti(seed, bucket.year, bucket.month.has_value(), bucket.month.value_or(0),
                      bucket.count, bucket.knownBytes);
}

DateBuckets buildDateBuckets(const std::vector<VideoItem> &items) {
    std::map<std::int64_t, DateBucket> years;
    std::map<std::int64_t, std::map<std::int64_t, DateBucket>> months;
    for (const VideoItem &item : items) {
        const std::int64_t year = item.creationYear();
        if (year <= 0)
            continue;
        const std::int64_t bytes = item.sizeState().knownBytes().value_or(0);
        const std::int64_t month = item.creationMonth();

        auto [y, yearIsNew] = years.try_emplace(year, DateBucket{year, std::nullopt, 0, 0});
        ++y->second.count;
        y->second.knownBytes += bytes;

        auto [m, monthIsNew] = months[year].try_emplace(month, DateBucket{year, month, 0, 0});
        ++m->second.count;
        m->second.knownBytes += bytes;
    }

    DateBuckets buckets;
    buckets.years.reserve(years.size());
    for (auto it = years.rbegin(); it != years.rend(); ++it)
        buckets.years.push_back(it->second);
    for (const auto &[year, byMonth] : months) {
        std::vector<DateBucket> &list = buckets.monthsByYear[year];
        list.reserve(byMonth.size());
        for (auto it = byMonth.rbegin(); it != byMonth.rend(); ++it)
            list.push_back(it->second);
    }
    return buckets;
}

QString yearTitle(std::int64_t year) {
    const std::optional<Instant> start = startOfMonth(year, 1);
    if (!start)
        return QString::number(year);
    return formatDate(*start, DatePattern::yearOnly);
}

QString monthTitle(std::int64_t year, std::int64_t month) {
    const std::optional<Instant> start = startOfMonth(year, month);
    if (!start)
        return QString::number(month);
    return formatDate(*start, DatePattern::abbreviatedMonth);
}

double relativeSize(std::int64_t bytes, std::int64_t largestSiblingBytes) {
    if (bytes <= 0 || largestSiblingBytes <= 0)
        return 0;
    return std::min(double(bytes) / double(largestSiblingBytes), 1.0);
}

} // namespace orsenta
