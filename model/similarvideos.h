// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Similar videos: the same video kept in different forms (re-encoded, resized, trimmed by a few
// seconds, in another container), found by their fingerprints; the copy each group keeps and
// why; the space deleting the others gives back.

#include "videoitem.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace orsenta {

// How alike two fingerprints must be. The defaults were chosen from measurements on a corpus of
// edited copies and unrelated clips (see bench/similarcorpus.cpp).
struct SimilarityRule {
    // Durations may differ by this many seconds, or this fraction of the longer one if larger.
    double durationSlackSeconds = 6.5;
    double durationSlackFraction = 0.02;
    // Two frame hashes match when they differ in at most this many bits.
    int frameDistance = 18;
    // Of the frames both videos can tell something about, at least this share must match.
    double matchingShare = 0.6;
    // A video needs this many frames that tell something and differ from one another by more
    // than distinctDistance bits to be compared at all, and as many must be among the matching
    // ones: dark, flat and still videos are never called similar. A mostly still picture with a
    // little motion differs from itself by far fewer bits than a copy may differ from it.
    int distinctFrames = 3;
    int distinctDistance = 6;
};

// Whether two videos are the same video in another form, by their durations and fingerprints.
// Videos without a fingerprint or a known duration are never similar.
bool areSimilar(const VideoItem &a, const VideoItem &b, const SimilarityRule &rule = {});

// Why a similar group's keeper stays, by the first rule that set it apart from the nearest
// other copy.
enum class SimilarKeeperReason : std::uint8_t {
    favourite,     // the favourite
    mostPixels,    // the largest picture
    higherBitRate, // the same picture size, more bits a second
    oldest,        // the earliest creation date
    firstOfEquals  // alike in every other way: the smallest identifier
};

struct SimilarGroup {
    QStringList identifiers; // the keeper first, then the others by identifier
    SimilarKeeperReason keeperReason = SimilarKeeperReason::firstOfEquals;
    // What the disk gets back, once the Trash is emptied, when only the keeper stays.
    std::int64_t reclaimableBytes = 0;
    friend bool operator==(const SimilarGroup &, const SimilarGroup &) = default;
};

struct SimilarSummary {
    std::vector<SimilarGroup> groups; // largest reclaimable space first
    QHash<QString, int> groupOf;      // identifier → index in groups
    std::int64_t videoCount = 0;
    std::int64_t reclaimableBytes = 0;

    std::int64_t groupCount() const { return std::int64_t(groups.size()); }
    const SimilarGroup *groupFor(const QString &identifier) const;
    // Whether `identifier` is the copy its group keeps; empty when it is in no group.
    std::optional<SimilarKeeperReason> keeperReason(const QString &identifier) const;
    bool isEmpty() const { return groups.empty(); }
    friend bool operator==(const SimilarSummary &, const SimilarSummary &) = default;
};

// Groups the similar videos among `items` without comparing every pair. Identical copies
// (equal content digests) are left to the identical copies: only the copy such a group keeps
// takes part here, so that a similar group never holds two videos with the same bytes.
SimilarSummary summarizeSimilar(const std::vector<VideoItem> &items,
                                const SimilarityRule &rule = {});

// Every video but the keeper of each similar group.
QSet<QString> extraSimilarIdentifiers(const SimilarSummary &summary);

} // namespace orsenta
