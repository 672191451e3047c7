// SPDX-License-Identifier: GPL-3.0-or-later
#include "similarvideos.h"

#include "duplicates.h"
#include "keeperchoice.h"
#include "videofingerprint.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>
#include <span>

// Comparing hashes is mostly counting bits: where the processor may lack the instruction for it,
// a second copy of the comparison uses it when it is there. What counts bits is inlined into
// that copy, or it would call the library's slow count.
#if defined(__GNUC__) && defined(__x86_64__)
#define ORSENTA_WITH_POPCOUNT __attribute__((target_clones("popcnt", "default")))
#else
#define ORSENTA_WITH_POPCOUNT
#endif

namespace orsenta {

namespace {

using Frames = std::span<const std::uint64_t>;

bool isKnownDuration(double seconds) {
    return std::isfinite(seconds) && seconds > 0;
}

bool closeDurations(double a, double b, const SimilarityRule &rule) {
    const double longer = std::max(a, b);
    return std::abs(a - b)
           <= std::max(rule.durationSlackSeconds, rule.durationSlackFraction * longer);
}

[[gnu::always_inline]] inline int distance(std::uint64_t a, std::uint64_t b) {
    return std::popcount(a ^ b);
}

// Informative frames that differ from every one counted before them by more than `bits`.
[[gnu::always_inline]] inline int distinctCount(Frames frames, int bits) {
    std::vector<std::uint64_t> kept;
    for (const std::uint64_t hash : frames) {
        if (hash != 0 && std::ranges::all_of(kept, [&](std::uint64_t other) {
                return distance(hash, other) > bits;
            }))
            kept.push_back(hash);
    }
    return int(kept.size());
}

// For each of a's frames, the index of b's frame sampled nearest to the same moment, or -1 when
// that moment lies outside b's sampled span.
using Alignment = std::array<int, fingerprintFrameCount>;

// a's frames matched with b's frames at the same fractions of their durations.
constexpr Alignment proportional = [] {
    Alignment alignment{};
    std::iota(alignment.begin(), alignment.end(), 0);
    return alignment;
}();

// a's frames matched with b's frames nearest in time once a's moments are moved by `shift`
// seconds: 0 when both start alike, the difference of the durations when both end alike.
Alignment shifted(double aSeconds, double bSeconds, double shift) {
    static const auto fractions = [] {
        std::array<double, fingerprintFrameCount> all{};
        for (int i = 0; i < fingerprintFrameCount; ++i)
            all[std::size_t(i)] = sampleFraction(i);
        return all;
    }();
    const double step = fractions[1] - fractions[0];
    const double scale = aSeconds / bSeconds / step;
    const double offset = (shift / bSeconds - fractions[0]) / step;
    // A moment at an end of b's span must not be lost to rounding.
    constexpr double tolerance = 1e-9;
    Alignment alignment{};
    for (std::size_t i = 0; i < alignment.size(); ++i) {
        const double at = fractions[i] * scale + offset;
        alignment[i] =
            at < -tolerance || at > fingerprintFrameCount - 1 + tolerance ? -1 : int(at + 0.5);
    }
    return alignment;
}

// The fingerprints' half of the rule under one alignment, for two videos each with enough
// distinct frames. The matching frames must themselves be distinct and spread over half the
// sampled span, so that a shared still, opening or ending alone never makes two videos alike.
// Most pairs the index offers are strangers, so the count stops as soon as the share is out of
// reach.
ORSENTA_WITH_POPCOUNT bool similarUnder(Frames a, Frames b, const Alignment &alignment,
                                        const SimilarityRule &rule) {
    const auto count = std::min(a.size(), std::size_t(fingerprintFrameCount));
    const auto partner = [&](std::size_t i) -> std::uint64_t {
        const int j = alignment[i];
        return a[i] != 0 && j >= 0 && std::size_t(j) < b.size() ? b[std::size_t(j)] : 0;
    };
    int remaining = 0;
    for (std::size_t i = 0; i < count; ++i)
        remaining += partner(i) != 0;
    if (remaining == 0)
        return false;
    const auto needed = std::size_t(std::ceil(rule.matchingShare * remaining));
    std::array<std::uint64_t, fingerprintFrameCount> matched{};
    std::size_t matches = 0;
    std::ptrdiff_t first = -1;
    std::ptrdiff_t last = -1;
    for (std::size_t i = 0; i < count && matches + std::size_t(remaining) >= needed; ++i) {
        const std::uint64_t other = partner(i);
        if (other == 0)
            continue;
        --remaining;
        if (distance(a[i], other) <= rule.frameDistance) {
            matched[matches++] = a[i];
            first = first < 0 ? std::ptrdiff_t(i) : first;
            last = std::ptrdiff_t(i);
        }
    }
    return matches >= needed && 2 * (last - first) >= fingerprintFrameCount - 1
           && distinctCount(Frames(matched.data(), matches), rule.distinctDistance)
                  >= rule.distinctFrames;
}

// Under the alignment that suits the two best: fixed fractions of the durations show a copy
// trimmed at one end other moments than its original, and lining up the ends it kept finds them.
// The shorter video's frames are looked up in the longer one, where a trimmed copy's moments all
// lie; ties are broken by the frames, so that the rule is symmetric.
bool similarFrames(Frames a, double aSeconds, Frames b, double bSeconds,
                   const SimilarityRule &rule) {
    if (bSeconds < aSeconds
        || (bSeconds == aSeconds && std::ranges::lexicographical_compare(b, a))) {
        std::swap(a, b);
        std::swap(aSeconds, bSeconds);
    }
    if (similarUnder(a, b, proportional, rule))
        return true;
    if (aSeconds == bSeconds)
        return false;
    const Alignment sameStart = shifted(aSeconds, bSeconds, 0);
    if (sameStart != proportional && similarUnder(a, b, sameStart, rule))
        return true;
    const Alignment sameEnd = shifted(aSeconds, bSeconds, bSeconds - aSeconds);
    return sameEnd != proportional && sameEnd != sameStart && similarUnder(a, b, sameEnd, rule);
}

bool isComparable(Frames frames, double duration, const SimilarityRule &rule) {
    return isKnownDuration(duration) && !frames.empty()
           && distinctCount(frames, rule.distinctDistance) >= rule.distinctFrames;
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
    std::vector<double> durations;
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
    std::vector<std::pair<double, const VideoItem *>> byDuration;
    for (const VideoItem *item : candidates.items)
        byDuration.emplace_back(item->duration(), item);
    std::ranges::stable_sort(byDuration, {}, &std::pair<double, const VideoItem *>::first);
    candidates.items.clear();
    for (const auto &[duration, item] : byDuration) {
        candidates.durations.push_back(duration);
        candidates.items.push_back(item);
    }
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
// neighbouring one and within the duration slack, are compared, and only where the frames that
// share the chunk match as a whole.
//
// A column holds one chunk of one frame for every video, as (value, video) words sorted by value
// and, within a value, by video. A frame's columns are made when it comes up and dropped once the
// next frame's have been compared with them, so the index stays small enough for the cache.
class ChunkColumn {
public:
    static constexpr int chunks = 4;
    using Run = std::span<const std::uint64_t>;

    // The columns of every chunk of one frame, read in one pass over the videos.
    static std::array<ChunkColumn, chunks> ofFrame(const Candidates &candidates,
                                                   std::size_t frame) {
        std::array<ChunkColumn, chunks> columns;
        for (std::uint32_t video = 0; video < candidates.items.size(); ++video) {
            const std::uint64_t hash = candidates.row(video)[frame];
            for (int chunk = 0; hash != 0 && chunk < chunks; ++chunk)
                columns[std::size_t(chunk)].m_entries.push_back(
                    (hash >> (chunk * chunkBits) & 0xffff) << videoBits | video);
        }
        for (ChunkColumn &column : columns)
            column.sortByValue();
        return columns;
    }

    static std::uint32_t videoOf(std::uint64_t entry) { return std::uint32_t(entry); }

    // Calls visit(here, there) for each value of this column, with the videos holding it here
    // and those holding it in `other`.
    [[gnu::always_inline]] void forEachValue(const ChunkColumn &other, const auto &visit) const {
        const auto valueOf = [](std::uint64_t e) { return e >> videoBits; };
        auto there = other.m_entries.cbegin();
        for (auto here = m_entries.cbegin(); here != m_entries.cend();) {
            const std::uint64_t value = valueOf(*here);
            const auto hereEnd = std::find_if(here, m_entries.cend(),
                                              [&](std::uint64_t e) { return valueOf(e) != value; });
            there = std::find_if(there, other.m_entries.cend(),
                                 [&](std::uint64_t e) { return valueOf(e) >= value; });
            const auto thereEnd = std::find_if(there, other.m_entries.cend(), [&](std::uint64_t e) {
                return valueOf(e) != value;
            });
            visit(Run(here, hereEnd), Run(there, thereEnd));
            here = hereEnd;
        }
    }

private:
    static constexpr int chunkBits = 16;
    static constexpr int videoBits = 32;

    // Entries were made in video order: a stable radix sort of the values alone leaves each
    // value's videos in that order.
    void sortByValue() {
        std::vector<std::uint64_t> sorted(m_entries.size());
        for (int shift = videoBits; shift < videoBits + chunkBits; shift += 8) {
            std::array<std::size_t, 257> start{};
            for (const std::uint64_t entry : m_entries)
                ++start[(entry >> shift & 0xff) + 1];
            std::partial_sum(start.begin(), start.end(), start.begin());
            for (const std::uint64_t entry : m_entries)
                sorted[start[entry >> shift & 0xff]++] = entry;
            m_entries.swap(sorted);
        }
    }

    std::vector<std::uint64_t> m_entries;
};

// Which candidates are similar, as sets. Pairs come from one value of a column (the same frame)
// or from a value of a column and of the next frame's (a shift of one sample either way).
ORSENTA_WITH_POPCOUNT DisjointSets similarSets(const Candidates &candidates,
                                               const SimilarityRule &rule) {
    const std::size_t count = candidates.items.size();
    // The first and last candidate whose duration is close enough to each one's.
    std::vector<std::uint32_t> low(count);
    std::vector<std::uint32_t> high(count);
    const std::vector<double> &durations = candidates.durations;
    for (std::size_t i = 0, lo = 0, hi = 0; i < count; ++i) {
        while (!closeDurations(durations[lo], durations[i], rule))
            ++lo;
        hi = std::max(hi, i);
        while (hi + 1 < count && closeDurations(durations[i], durations[hi + 1], rule))
            ++hi;
        low[i] = std::uint32_t(lo);
        high[i] = std::uint32_t(hi);
    }
    DisjointSets sets(count);
    // Strangers share a chunk by chance, but their frames around it differ: a pair is compared
    // only where the frames that share a chunk match as a whole.
    const auto compare = [&](std::uint32_t a, std::size_t aFrame, std::uint32_t b,
                             std::size_t bFrame) __attribute__((always_inline)) {
        if (a == b
            || distance(candidates.row(a)[aFrame], candidates.row(b)[bFrame]) > rule.frameDistance)
            return;
        if (sets.find(a) != sets.find(b)
            && similarFrames(candidates.row(a), candidates.durations[a], candidates.row(b),
                             candidates.durations[b], rule))
            sets.unite(a, b);
    };
    const auto video = [](std::uint64_t entry) { return ChunkColumn::videoOf(entry); };
    std::size_t frame = 0;
    const auto compareRuns = [&](ChunkColumn::Run here, ChunkColumn::Run next)
        __attribute__((always_inline)) {
        // Both runs are in order of duration, so where the window opens only moves forward.
        auto opening = next.begin();
        for (auto a = here.begin(); a != here.end(); ++a) {
            const std::uint32_t x = video(*a);
            for (auto b = a + 1; b != here.end() && video(*b) <= high[x]; ++b)
                compare(x, frame, video(*b), frame);
            while (opening != next.end() && video(*opening) < low[x])
                ++opening;
            for (auto b = opening; b != next.end() && video(*b) <= high[x]; ++b)
                compare(x, frame, video(*b), frame + 1);
        }
    };
    if (count == 0)
        return sets;
    auto here = ChunkColumn::ofFrame(candidates, 0);
    for (; frame < candidates.width; ++frame) {
        auto next = frame + 1 < candidates.width ? ChunkColumn::ofFrame(candidates, frame + 1)
                                                 : std::array<ChunkColumn, ChunkColumn::chunks>{};
        for (std::size_t chunk = 0; chunk < here.size(); ++chunk)
            here[chunk].forEachValue(next[chunk], compareRuns);
        here = std::move(next);
    }
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

// Durations first: they tell most pairs apart at the least cost.
bool areSimilar(const VideoItem &a, const VideoItem &b, const SimilarityRule &rule) {
    const Frames x = a.fileFacts().fingerprint.frames;
    const Frames y = b.fileFacts().fingerprint.frames;
    return isKnownDuration(a.duration()) && isKnownDuration(b.duration())
           && closeDurations(a.duration(), b.duration(), rule)
           && isComparable(x, a.duration(), rule) && isComparable(y, b.duration(), rule)
           && similarFrames(x, a.duration(), y, b.duration(), rule);
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
