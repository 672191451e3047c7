// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The size, date, duplicates and search filters that narrow the list.

#include "videoitem.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace orsenta {

enum class SizeFilter : std::uint8_t { none, atLeast100MB, atLeast500MB, atLeast1GB, atLeast2GB };

inline constexpr std::array allSizeFilters{SizeFilter::none, SizeFilter::atLeast100MB,
                                           SizeFilter::atLeast500MB, SizeFilter::atLeast1GB,
                                           SizeFilter::atLeast2GB};

QString sizeFilterName(SizeFilter filter);
std::optional<SizeFilter> sizeFilterFromString(QStringView name);
// The size menu's label, e.g. "100 MB and up".
QString sizeFilterLabel(SizeFilter filter);
// Thresholds count in binary multiples (1 MB = 2^20 bytes); none for `none`.
std::optional<std::int64_t> minimumBytes(SizeFilter filter);

class DateFilter {
public:
    struct All {
        friend bool operator==(All, All) = default;
    };
    struct Year {
        std::int64_t year;
        friend bool operator==(Year, Year) = default;
    };
    struct Month {
        std::int64_t year;
        std::int64_t month;
        friend bool operator==(Month, Month) = default;
    };

    constexpr DateFilter() = default;
    static constexpr DateFilter all() { return DateFilter(All{}); }
    static constexpr DateFilter year(std::int64_t year) { return DateFilter(Year{year}); }
    static constexpr DateFilter month(std::int64_t year, std::int64_t month) {
        return DateFilter(Month{year, month});
    }

    constexpr bool isAll() const { return std::holds_alternative<All>(m_value); }
    const std::variant<All, Year, Month> &value() const { return m_value; }
    bool matches(const VideoItem &item) const;

    friend bool operator==(const DateFilter &, const DateFilter &) = default;

private:
    constexpr explicit DateFilter(std::variant<All, Year, Month> value)
        : m_value(value) {}
    std::variant<All, Year, Month> m_value;
};

std::size_t qHash(const DateFilter &filter, std::size_t seed = 0) noexcept;

struct DuplicateSummary;

// The records that pass every active filter, in input order. `duplicates` is given only while
// the view shows duplicates only: identical copies, and same-size videos not yet read.
std::vector<VideoItem> filterItems(const std::vector<VideoItem> &items, SizeFilter sizeFilter,
                                   QStringView searchText, const DateFilter &dateFilter,
                                   const DuplicateSummary *duplicates = nullptr);

} // namespace orsenta
