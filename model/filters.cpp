// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters.h"

#include "duplicates.h"
#include "textkeys.h"

#include <QCoreApplication>
#include <QHashFunctions>

namespace orsenta {

QString sizeFilterName(SizeFilter filter) {
    switch (filter) {
    case SizeFilter::none:
        return QStringLiteral("none");
    case SizeFilter::atLeast100MB:
        return QStringLiteral("atLeast100MB");
    case SizeFilter::atLeast500MB:
        return QStringLiteral("atLeast500MB");
    case SizeFilter::atLeast1GB:
        return QStringLiteral("atLeast1GB");
    case SizeFilter::atLeast2GB:
        return QStringLiteral("atLeast2GB");
    }
    return {};
}

std::optional<SizeFilter> sizeFilterFromString(QStringView name) {
    for (SizeFilter filter : allSizeFilters) {
        if (name == sizeFilterName(filter))
            return filter;
    }
    return std::nullopt;
}

QString sizeFilterLabel(SizeFilter filter) {
    switch (filter) {
    case SizeFilter::none:
        return QCoreApplication::translate("SizeFilter", "All sizes");
    case SizeFilter::atLeast100MB:
        return QCoreApplication::translate("SizeFilter", "100 MB and up");
    case SizeFilter::atLeast500MB:
        return QCoreApplication::translate("SizeFilter", "500 MB and up");
    case SizeFilter::atLeast1GB:
        return QCoreApplication::translate("SizeFilter", "1 GB and up");
    case SizeFilter::atLeast2GB:
        return QCoreApplication::translate("SizeFilter", "2 GB and up");
    }
    return {};
}

std::optional<std::int64_t> minimumBytes(SizeFilter filter) {
    constexpr std::int64_t mib = std::int64_t(1) << 20;
    switch (filter) {
    case SizeFilter::none:
        return std::nullopt;
    case SizeFilter::atLeast100MB:
        return 100 * mib;
    case SizeFilter::atLeast500MB:
        return 500 * mib;
    case SizeFilter::atLeast1GB:
        return std::int64_t(1) << 30;
    case SizeFilter::atLeast2GB:
        return std::int64_t(1) << 31;
    }
    return std::nullopt;
}

bool DateFilter::matches(const VideoItem &item) const {
    if (const auto *year = std::get_if<Year>(&m_value))
        return item.creationYear() == year->year;
    if (const auto *month = std::get_if<Month>(&m_value))
        return item.creationYear() == month->year && item.creationMonth() == month->month;
    return true;
}

std::size_t qHash(const DateFilter &filter, std::size_t seed) noexcept {
    const auto &value = filter.value();
    if (const auto *year = std::get_if<DateFilter::Year>(&value))
        return qHashMulti(seed, 1, year->year);
    if (const auto *month = std::get_if<DateFilter::Month>(&value))
        return qHashMulti(seed, 2, month->year, month->month);
    return qHashMulti(seed, 0);
}

std::vector<VideoItem> filterItems(const std::vector<VideoItem> &items, SizeFilter sizeFilter,
                                   QStringView searchText, const DateFilter &dateFilter,
                                   const DuplicateSummary *duplicates) {
    const QStringView query = searchText.trimmed();
    const std::optional<std::int64_t> minimum = minimumBytes(sizeFilter);
    if (!minimum && query.isEmpty() && dateFilter.isAll() && !duplicates)
        return items;

    const QByteArray foldedQuery = query.isEmpty() ? QByteArray() : searchFold(query);
    const bool checkSize = minimum.has_value() || duplicates;
    std::vector<VideoItem> kept;
    for (const VideoItem &item : items) {
        if (!dateFilter.matches(item))
            continue;
        if (checkSize) {
            const SizeState size = item.sizeState();
            if (!size.isKnown())
                continue;
            if (duplicates && !duplicates->copiesOf(item) && !duplicates->isUnchecked(item))
                continue;
            if (minimum && size.bytes() < *minimum)
                continue;
        }
        if (!foldedQuery.isEmpty() && !item.searchKey().contains(foldedQuery))
            continue;
        kept.push_back(item);
    }
    return kept;
}

} // namespace orsenta
