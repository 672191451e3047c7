// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortorder.h"

#include <QHashFunctions>

namespace orsenta {

QString sortOrderName(VideoSortOrder order) {
    switch (order) {
    case VideoSortOrder::nameAsc:
        return QStringLiteral("nameAsc");
    case VideoSortOrder::nameDesc:
        return QStringLiteral("nameDesc");
    case VideoSortOrder::sizeAsc:
        return QStringLiteral("sizeAsc");
    case VideoSortOrder::sizeDesc:
        return QStringLiteral("sizeDesc");
    case VideoSortOrder::durationAsc:
        return QStringLiteral("durationAsc");
    case VideoSortOrder::durationDesc:
        return QStringLiteral("durationDesc");
    case VideoSortOrder::resolutionAsc:
        return QStringLiteral("resolutionAsc");
    case VideoSortOrder::resolutionDesc:
        return QStringLiteral("resolutionDesc");
    case VideoSortOrder::creationDateDesc:
        return QStringLiteral("creationDateDesc");
    case VideoSortOrder::creationDateAsc:
        return QStringLiteral("creationDateAsc");
    }
    return {};
}

std::optional<VideoSortOrder> sortOrderFromString(QStringView name) {
    for (VideoSortOrder order : allVideoSortOrders) {
        if (name == sortOrderName(order))
            return order;
    }
    return std::nullopt;
}

std::size_t qHash(const VideoTableSortComparator &comparator, std::size_t seed) noexcept {
    return qHashMulti(seed, int(comparator.column), int(comparator.order));
}

VideoTableSortComparator tableComparator(VideoSortOrder order) {
    using C = VideoSortColumn;
    constexpr auto fwd = SortDirection::forward;
    constexpr auto rev = SortDirection::reverse;
    switch (order) {
    case VideoSortOrder::nameAsc:
        return {C::name, fwd};
    case VideoSortOrder::nameDesc:
        return {C::name, rev};
    case VideoSortOrder::sizeAsc:
        return {C::size, fwd};
    case VideoSortOrder::sizeDesc:
        return {C::size, rev};
    case VideoSortOrder::durationAsc:
        return {C::duration, fwd};
    case VideoSortOrder::durationDesc:
        return {C::duration, rev};
    case VideoSortOrder::resolutionAsc:
        return {C::resolution, fwd};
    case VideoSortOrder::resolutionDesc:
        return {C::resolution, rev};
    case VideoSortOrder::creationDateDesc:
        return {C::creationDate, rev};
    case VideoSortOrder::creationDateAsc:
        return {C::creationDate, fwd};
    }
    return {};
}

VideoSortOrder videoSortOrder(VideoSortColumn column, SortDirection order) {
    for (VideoSortOrder candidate : allVideoSortOrders) {
        if (tableComparator(candidate) == VideoTableSortComparator{column, order})
            return candidate;
    }
    return VideoSortOrder::creationDateDesc;
}

} // namespace orsenta
