// SPDX-License-Identifier: GPL-3.0-or-later
#include "similarvideos.h"

#include "duplicates.h"
#include "keeperchoice.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <span>

namespace orsenta {

namespace {

using Frames = std::span<const std::uint64_t>;

constexpr int noMatch = 65; // farther than any two 64-bit hashes

bool isKnownDuration(double seconds) {
    return std::isfinite(seconds) && seconds > 0;
}

bool closeDurations(double a, double b, const SimilarityRule &rule) {
    const double longer = std::max(a, b);
    return std::abs(a - b)
           <= std::max(rule.durationSlackSeconds, rule.durationSlackFraction * longer);
}

std::uint64_t frameAt(Frames frames, std::ptrdiff_t index) {
    return index >= 0 && index < std::ptrdiff_t(frames.size()) ? frames[std::size_t(index)] : 0;
}

int distance(std::uint64_t a, std::uint64_t b) {
    return std::popcount(a ^ b);
}

// Informative frames that differ from every one counted before them, in order.
int distinctCount(Frames frames, int frameDistance) {
    std::vector<std::uint64_t> kept;
    for (const std::uint64_t hash : frames) {
        if (hash != 0 && std::ranges::all_of(kept, [&](std::uint64_t other) {
                return distance(hash, other) > frameDistance;
            }))
            kept.push_back(hash);
    }
    return int(kept.size());
}

// The least distance from `hash` to the other video's frame at `index` or a neighbour of it,
// which absorbs a trim of up to one sample's spacing.
int nearest(std::uint64_t hash, Frames other, std::ptrdiff_t index) {
    int best = noMatch;
    for (std::ptrdiff_t j = index - 1; j <= index + 1; ++j) {
        if (const std::uint64_t candidate = frameAt(other, j))
            best = std::min(best, distance(hash, candidate));
    }
    return best;
}

// The fingerprints' half of the rule, for two videos each with enough distinct frames. The
// matching frames must themselves be distinct and spread over half the sampled span, so that a
// shared still, opening or ending alone never makes two videos alike.
bool similarFrames(Frames a, Frames b, const SimilarityRule &rule) {
    const std::size_t count = std::min(a.size(), b.size());
    int considered = 0;
    for (std::size_t i = 0; i < count; ++i)
        considered += a[i] != 0 && b[i] != 0;
    if (considered == 0)
        return false;
    const auto needed = int(std::ceil(rule.matchingShare * considered));
    std::vector<std::uint64_t> matched;
    std::ptrdiff_t first = -1;
    std::ptrdiff_t last = -1;
    int remaining = considered;
    for (std::size_t i = 0; i < count && int(matched.size()) + remaining >= needed; ++i) {
        if (a[i] == 0 || b[i] == 0)
            continue;
        --remaining;
        const auto at = std::ptrdiff_t(i);
        if (nearest(a[i], b, at) <= rule.frameDistance
            || nearest(b[i], a, at) <= rule.frameDistance) {
            matched.push_back(a[i]);
            first = first < 0 ? at : first;
            last = at;
        }
    }
    return int(matched.size()) >= needed && 2 * (last - first) >= std::ptrdiff_t(count) - 1
           && distinctCount(matched, rule.frameDistance) >= rule.distinctFrames;
}

bool isComparable(Frames frames, double duration, const SimilarityRule &rule) {
    return isKnownDuration(duration) && !frames.empty()
           && distinctCount(frames, rule.frameDistance) >= rule.distinctFrames;
}

// Bits a second, from the known size; unknown sizes compare below every known one.
double bitRate(const VideoItem &item) {
    const SizeState size = item.sizeState();
    return size.isKnown() ? double(size.bytes()) * 8 / item.duration() : -1;
}

KeeperDecision<SimilarKeeperReason> decide(const VideoItem &a, const VideoItem &b) {
    if (a.isFavorite() != b.isFavorite())
        return {a.isFavorite(), SimilarKeeperReason::favourite};
    const std::int64_t aPixels = a.pixelWidth() * a.pixelHeight();
    const std::int64_t bPixels = b.pixelWidth() * b.pixelHeight();
    if (aPixels != bPixels)
        return {aPixels > bPixels, SimilarKeeperReason::mostPixels};
    if (const double x = bitRate(a), y = bitRate(b); x != y)
        return {x > y, SimilarKeeperReason::higherBitRate};
    if (a.creationDate() != b.creationDate())
        return {a.creationDate() < b.creationDate(), SimilarKeeperReason::oldest};
    return {a.identifierKey() < b.identifierKey(), SimilarKeeperReason::firstOfEquals};
}

// The videos taking part, in order of duration, with their frames side by side in one table.
struct Candidates {
    std::vector<const VideoItem *> items;
    std::vector<std::uint64_t> frames; // items.size() rows of width frames, 0 where a row ends
    std::size_t width = 0;

    Frames row(std::size_t i) const { return {frames.data() + i * width, width}; }
};

Candidates candidatesAmong(const std::vector<VideoItem> &items, const SimilarityRule &rule) {
    const QSet<QString> extraCopies = extraCopyIdentifiers(items);
    Candidates candidates;
    for (const VideoItem &item : items) {
        const Frames frames = item.fileFacts().fingerprint.frames;
        if (isComparable(frames, item.duration(), rule)
            && (extraCopies.isEmpty() || !extraCopies.contains(item.localIdentifier()))) {
            candidates.items.push_back(&item);
            candidates.width = std::max(candidates.width, frames.size());
        }
    }
    std::ranges::stable_sort(candidates.items, {}, &VideoItem::duration);
    candidates.frames.assign(candidates.items.size() * candidates.width, 0);
    for (std::size_t i = 0; i < candidates.items.size(); ++i)
        std::ranges::copy(candidates.items[i]->fileFacts().fingerprint.frames,
                          candidates.frames.begin() + std::ptrdiff_t(i * candidates.width));
    return candidates;
}

class DisjointSets {
public:
    explicit DisjointSets(std::size_t count)
        : m_parent(count) {
        std::iota(m_parent.begin(), m_parent.end(), 0u);
    }
    std::uint32_t find(std::uint32_t x) {
        while (m_parent[x] != x)
            x = m_parent[x] = m_parent[m_parent[x]];
        return x;
    }
    void unite(std::uint32_t a, std::uint32_t b) { m_parent[find(a)] = find(b); }

private:
    std::vector<std::uint32_t> m_parent;
};

// Each informative frame hash is cut into four 16-bit chunks, and a video is filed under
// (frame, chunk, value) for each. Copies a few bits apart share most of their chunks exactly,
// while unrelated videos rarely share one: only videos filed together, at the same frame or a
// neighbouring one and within the duration slack, are compared.
//
// The filing is one sorted array of (key, video) words, so its cost follows the number of
// videos, not the number of possible keys.
class ChunkIndex {
public:
    explicit ChunkIndex(const Candidates &candidates) {
        for (std::uint32_t video = 0; video < candidates.items.size(); ++video) {
            const Frames row = candidates.row(video);
            for (std::size_t frame = 0; frame < row.size(); ++frame) {
                for (int chunk = 0; row[frame] != 0 && chunk < chunks; ++chunk) {
                    const std::uint64_t value = (row[frame] >> (chunk * chunkBits)) & 0xffff;
                    m_entries.push_back(
                        ((frame * chunks + std::uint64_t(chunk)) << chunkBits | value) << videoBits
                        | video);
                }
            }
        }
        sortKeys();
    }

    // Calls visit(here, next) for each key, with the videos filed under it and those filed under
    // the same chunk value at the next frame, each in order of duration.
    void forEachKey(const auto &visit) const {
        auto next = m_entries.begin();
        for (auto here = m_entries.begin(); here != m_entries.end();) {
            const std::uint64_t key = keyOf(*here);
            const auto hereEnd = std::ranges::find_if(
                here, m_entries.end(), [&](std::uint64_t e) { return keyOf(e) != key; });
            const std::uint64_t nextKey = key + (std::uint64_t(chunks) << chunkBits);
            next = std::ranges::find_if(next, m_entries.end(),
                                        [&](std::uint64_t e) { return keyOf(e) >= nextKey; });
            const auto nextEnd = std::ranges::find_if(
                next, m_entries.end(), [&](std::uint64_t e) { return keyOf(e) != nextKey; });
            visit(Run(here, hereEnd), Run(next, nextEnd));
            here = hereEnd;
        }
    }

    static std::uint32_t videoOf(std::uint64_t entry) { return std::uint32_t(entry); }
    using Run = std::ranges::subrange<std::vector<std::uint64_t>::const_iterator>;

private:
    static constexpr int chunks = 4;
    static constexpr int chunkBits = 16;
    static constexpr int videoBits = 32;
    static std::uint64_t keyOf(std::uint64_t entry) { return entry >> videoBits; }

    // Entries were made in video order: a stable radix sort of the keys alone leaves each key's
    // videos in that order.
    void sortKeys() {
        constexpr int digitBits = 11;
        std::uint64_t largest = 0;
        for (const std::uint64_t entry : m_entries)
            largest = std::max(largest, keyOf(entry));
        std::vector<std::uint64_t> sorted(m_entries.size());
        for (int shift = videoBits; largest >> (shift - videoBits) != 0; shift += digitBits) {
            std::vector<std::size_t> start((1u << digitBits) + 1, 0);
            const auto digitOf = [&](std::uint64_t e) {
                return std::size_t(e >> shift) & ((1u << digitBits) - 1);
            };
            for (const std::uint64_t entry : m_entries)
                ++start[digitOf(entry) + 1];
            std::partial_sum(start.begin(), start.end(), start.begin());
            for (const std::uint64_t entry : m_entries)
                sorted[start[digitOf(entry)]++] = entry;
            m_entries.swap(sorted);
        }
    }

    std::vector<std::uint64_t> m_entries;
};

// Which candidates are similar, as sets. Pairs come from one key (the same frame) or from a key
// and the one for the next frame (a shift of one sample either way).
DisjointSets similarSets(const Candidates &candidates, const SimilarityRule &rule) {
    const std::size_t count = candidates.items.size();
    // The first and last candidate whose duration is close enough to each one's.
    std::vector<std::uint32_t> low(count);
    std::vector<std::uint32_t> high(count);
    const auto durationOf = [&](std::size_t i) { return candidates.items[i]->duration(); };
    for (std::size_t i = 0, lo = 0, hi = 0; i < count; ++i) {
        while (!closeDurations(durationOf(lo), durationOf(i), rule))
            ++lo;
        hi = std::max(hi, i);
        while (hi + 1 < count && closeDurations(durationOf(i), durationOf(hi + 1), rule))
            ++hi;
        low[i] = std::uint32_t(lo);
        high[i] = std::uint32_t(hi);
    }
    DisjointSets sets(count);
    const auto compare = [&](std::uint32_t a, std::uint32_t b) {
        if (a != b && sets.find(a) != sets.find(b)
            && similarFrames(candidates.row(a), candidates.row(b), rule))
            sets.unite(a, b);
    };
    const auto video = &ChunkIndex::videoOf;
    ChunkIndex(candidates).forEachKey([&](ChunkIndex::Run here, ChunkIndex::Run next) {
        for (auto a = here.begin(); a != here.end(); ++a) {
            const std::uint32_t x = video(*a);
            for (auto b = a + 1; b != here.end() && video(*b) <= high[x]; ++b)
                compare(x, video(*b));
            for (auto b = std::ranges::lower_bound(next, low[x], {}, video);
                 b != next.end() && video(*b) <= high[x]; ++b)
                compare(x, video(*b));
        }
    });
    return sets;
}

struct RankedGroup {
    QByteArrayView keeperKey;
    SimilarGroup group;
};

RankedGroup similarGroup(std::vector<const VideoItem *> members) {
    const auto keeper = chooseKeeper(members, decide);
    std::ranges::sort(members, {}, &VideoItem::identifierKey);
    const auto keeperAt = std::ranges::find(members, keeper.item);
    std::rotate(members.begin(), keeperAt, keeperAt + 1);
    RankedGroup ranked{keeper.item->identifierKey(), {}};
    ranked.group.keeperReason = keeper.reason;
    for (const VideoItem *member : members) {
        ranked.group.identifiers << member->localIdentifier();
        if (member != keeper.item)
            ranked.group.reclaimableBytes += member->freedBytes();
    }
    return ranked;
}

} // namespace

bool areSimilar(const VideoItem &a, const VideoItem &b, const SimilarityRule &rule) {
    const Frames x = a.fileFacts().fingerprint.frames;
    const Frames y = b.fileFacts().fingerprint.frames;
    return isComparable(x, a.duration(), rule) && isComparable(y, b.duration(), rule)
           && closeDurations(a.duration(), b.duration(), rule) && similarFrames(x, y, rule);
}

const SimilarGroup *SimilarSummary::groupFor(const QString &identifier) const {
    const auto it = groupOf.constFind(identifier);
    return it == groupOf.cend() ? nullptr : &groups[std::size_t(*it)];
}

std::optional<SimilarKeeperReason> SimilarSummary::keeperReason(const QString &identifier) const {
    const SimilarGroup *group = groupFor(identifier);
    if (!group || group->identifiers.front() != identifier)
        return std::nullopt;
    return group->keeperReason;
}

SimilarSummary summarizeSimilar(const std::vector<VideoItem> &items, const SimilarityRule &rule) {
    const Candidates candidates = candidatesAmong(items, rule);
    DisjointSets sets = similarSets(candidates, rule);
    QHash<std::uint32_t, std::vector<const VideoItem *>> members;
    for (std::uint32_t i = 0; i < candidates.items.size(); ++i)
        members[sets.find(i)].push_back(candidates.items[i]);
    std::vector<RankedGroup> ranked;
    for (auto &group : members) {
        if (group.size() >= 2)
            ranked.push_back(similarGroup(std::move(group)));
    }
    std::ranges::sort(ranked, [](const RankedGroup &a, const RankedGroup &b) {
        if (a.group.reclaimableBytes != b.group.reclaimableBytes)
            return a.group.reclaimableBytes > b.group.reclaimableBytes;
        return a.keeperKey < b.keeperKey;
    });
    SimilarSummary summary;
    for (RankedGroup &r : ranked)
        summary.groups.push_back(std::move(r.group));
    for (std::size_t i = 0; i < summary.groups.size(); ++i) {
        const SimilarGroup &group = summary.groups[i];
        for (const QString &identifier : group.identifiers)
            summary.groupOf.insert(identifier, int(i));
        summary.videoCount += group.identifiers.size();
        summary.reclaimableBytes += group.reclaimableBytes;
    }
    return summary;
}

QSet<QString> extraSimilarIdentifiers(const SimilarSummary &summary) {
    QSet<QString> extras;
    for (const SimilarGroup &group : summary.groups) {
        for (qsizetype i = 1; i < group.identifiers.size(); ++i)
            extras.insert(group.identifiers[i]);
    }
    return extras;
}

} // namespace orsenta
