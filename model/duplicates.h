// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Identical copies: videos whose whole content was read and found equal, the space deleting the
// extra copies gives back, the copy to keep in each group and why, and the same-size videos
// whose content still has to be read before they can be called copies.

#include "videoitem.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace orsenta {

// Why a group's keeper stays, by the first rule that set it apart from the nearest other copy.
enum class KeeperReason : std::uint8_t {
    favourite,    // the only favourite (or one of them, and oldest and so on)
    oldest,       // the earliest creation date
    originalName, // the others' names look like copies ("copy of …", "… (2)", …)
    earliestFile, // the file was made or last written first
    shortestPath, // the shortest path
    firstOfEquals // alike in every other way: the smallest identifier
};

struct DuplicateSummary {
    // Content digest → videos holding exactly those bytes, for groups of two or more.
    QHash<QByteArray, std::int64_t> countsByContent;
    std::int64_t videoCount = 0; // videos that belong to some group
    // What the disk gets back, once the Trash is emptied, when each group keeps one video.
    std::int64_t reclaimableBytes = 0;
    // The copy each group keeps, by identifier.
    QHash<QString, KeeperReason> keepers;
    // Byte count → videos of that shared size whose content has not been read yet: not copies
    // until it has.
    QHash<std::int64_t, std::int64_t> uncheckedBySize;
    std::int64_t uncheckedCount = 0;

    std::int64_t groupCount() const { return countsByContent.size(); }
    // The number of identical copies `item` belongs with (itself included), when it has any.
    std::optional<std::int64_t> copiesOf(const VideoItem &item) const;
    // Whether `item` shares its size with another video and its content is yet to be read.
    bool isUnchecked(const VideoItem &item) const;
    std::optional<KeeperReason> keeperReason(const VideoItem &item) const;
    bool isEmpty() const { return countsByContent.isEmpty() && uncheckedBySize.isEmpty(); }
    friend bool operator==(const DuplicateSummary &, const DuplicateSummary &) = default;
};

// Only known sizes of at least one byte form or join a group.
DuplicateSummary summarizeDuplicates(const std::vector<VideoItem> &items);

// The groups of videos of one size that hold a video whose content has not been read, by
// identifier: what a content check has to read.
std::vector<QStringList> sizeGroupsToCheck(const std::vector<VideoItem> &items);

// Whether a file name looks like a copy of another one: "copy of x", "x copy", "x (2)",
// "x - Copy", "x_1", before the extension.
bool looksLikeCopyName(const QString &fileName);

// Every copy but the keeper of each group of identical copies among `items`. The keeper is
// the favourite, then the oldest, then the one whose name does not look like a copy, then the
// earliest file, then the shortest path, then the smallest identifier.
QSet<QString> extraCopyIdentifiers(const std::vector<VideoItem> &items);

} // namespace orsenta
