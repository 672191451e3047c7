// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ten flat sort orders of the list and the column-plus-direction descriptors of the table.

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace orsenta {

enum class VideoSortColumn : std::uint8_t { name, size, duration, resolution, creationDate };

enum class SortDirection : std::uint8_t { forward, reverse };

enum class VideoSortOrder : std::uint8_t {
    nameAsc,
    nameDesc,
    sizeAsc,
    sizeDesc,
    durationAsc,
    durationDesc,
    resolutionAsc,
    resolutionDesc,
    creationDateDesc,
    creationDateAsc,
};

inline constexpr std::array allVideoSortOrders{
    VideoSortOrder::nameAsc,          VideoSortOrder::nameDesc,
    VideoSortOrder::sizeAsc,          VideoSortOrder::sizeDesc,
    VideoSortOrder::durationAsc,      VideoSortOrder::durationDesc,
    VideoSortOrder::resolutionAsc,    VideoSortOrder::resolutionDesc,
    VideoSortOrder::creationDateDesc, VideoSortOrder::creationDateAsc,
};

QString sortOrderName(VideoSortOrder order);
std::optional<VideoSortOrder> sortOrderFromString(QStringView name);

// The table's sort descriptor: a fixed column and a direction the table may flip in place.
struct VideoTableSortComparator {
    VideoSortColumn column = VideoSortColumn::creationDate;
    SortDirection order = SortDirection::reverse;

    friend bool operator==(const VideoTableSortComparator &,
                           const VideoTableSortComparator &) = default;
};

std::size_t qHash(const VideoTableSortComparator &comparator, std::size_t seed = 0) noexcept;

VideoTableSortComparator tableComparator(VideoSortOrder order);
// The inverse of tableComparator, total over the ten column-and-direction pairs.
VideoSortOrder videoSortOrder(VideoSortColumn column, SortDirection order);

} // namespace orsenta
