// SPDX-License-Identifier: GPL-3.0-or-later
#include "sorting.h"

#include "textkeys.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace orsenta {

namespace {

constexpr std::uint64_t signBit = std::uint64_t(1) << 63;

template <typename T>
ComparisonResult threeWay(const T &a, const T &b) {
    if (a < b)
        return ComparisonResult::ascending;
    if (b < a)
        return ComparisonResult::descending;
    return ComparisonResult::same;
}

ComparisonResult compareBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype common = std::min(a.size(), b.size());
    const int c = common ? std::memcmp(a.data(), b.data(), std::size_t(common)) : 0;
    if (c != 0)
        return c < 0 ? ComparisonResult::ascending : ComparisonResult::descending;
    return threeWay(a.size(), b.size());
}

// Width times height, held at the int64 limits instead of overflowing.
std::int64_t pixelCount(const VideoItem &item) {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(item.pixelWidth(), item.pixelHeight(), &product))
        return (item.pixelWidth() < 0) != (item.pixelHeight() < 0)
                   ? std::numeric_limits<std::int64_t>::min()
                   : std::numeric_limits<std::int64_t>::max();
    return product;
}

// Durations in a total order: NaN (never a real length) after every number and equal to
// itself, so that sorting never sees the cycle that "NaN compares same to everything" makes.
ComparisonResult compareDurations(double a, double b) {
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN)
        return threeWay(aNaN, bNaN);
    return threeWay(a, b);
}

ComparisonResult baseCompare(VideoSortColumn column, const VideoItem &a, const VideoItem &b) {
    switch (column) {
    case VideoSortColumn::name:
        return compareBytes(a.nameKey(), b.nameKey());
    case VideoSortColumn::size: {
        const SizeState x = a.sizeState();
        const SizeState y = b.sizeState();
        return x.isKnown() && y.isKnown() ? threeWay(x.bytes(), y.bytes()) : ComparisonResult::same;
    }
    case VideoSortColumn::duration:
        return compareDurations(a.duration(), b.duration());
    case VideoSortColumn::resolution:
        return threeWay(pixelCount(a), pixelCount(b));
    case VideoSortColumn::creationDate:
        return threeWay(a.creationDate(), b.creationDate());
    }
    return ComparisonResult::same;
}

ComparisonResult reversed(ComparisonResult r) {
    return ComparisonResult(-std::int8_t(r));
}

std::uint64_t orderedBits(std::int64_t value) {
    return std::uint64_t(value) ^ signBit;
}

std::uint64_t orderedBits(double value) {
    if (std::isnan(value))
        return std::numeric_limits<std::uint64_t>::max();
    if (value == 0)
        value = 0; // minus zero sorts with zero
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return (bits & signBit) ? ~bits : bits | signBit;
}

// One record as the sort sees it: everything compare() looks at, flattened so that nearly every
// comparison is settled by integers already in the entry rather than by reading the record.
struct SortEntry {
    std::uint64_t key;        // the column's order, direction applied; exact except for names
    std::uint64_t nameNext;   // name sort only: the name key's next eight bytes, directed
    std::uint64_t idPrefix;   // first eight bytes of the identifier key
    std::uint32_t restOffset; // name sort only: where the key's bytes after the first sixteen
    std::uint32_t restLength; // start in the name arena, and how many there are
    std::uint32_t nameLength; // name sort only: the whole key's length, for zero-padded ties
    std::uint32_t index;
    bool unknownSize; // size sort only: goes after every known size
};

// `nameArena` receives a copy of the rest of each name key: ties then read a compact buffer that
// stays in cache instead of the records themselves.
SortEntry sortEntry(const VideoTableSortComparator &comparator, const VideoItem &item,
                    std::uint32_t index, QByteArray &nameArena) {
    const bool forward = comparator.order == SortDirection::forward;
    const auto directed = [forward](std::uint64_t key) { return forward ? key : ~key; };
    SortEntry entry{0, 0, bigEndianPrefix(item.identifierKey()), 0, 0, 0, index, false};
    switch (comparator.column) {
    case VideoSortColumn::name: {
        entry.key = directed(item.namePrefix());
        const QByteArrayView key = item.nameKey();
        entry.nameNext = directed(bigEndianPrefix(key.sliced(std::min<qsizetype>(8, key.size()))));
        const QByteArrayView rest = key.sliced(std::min<qsizetype>(16, key.size()));
        entry.nameLength = std::uint32_t(key.size());
        // Offsets for now: the arena may still move while it grows.
        entry.restOffset = std::uint32_t(nameArena.size());
        entry.restLength = std::uint32_t(rest.size());
        nameArena.append(rest);
        break;
    }
    case VideoSortColumn::size: {
        const SizeState size = item.sizeState();
        entry.unknownSize = !size.isKnown();
        entry.key = size.isKnown() ? directed(orderedBits(size.bytes())) : 0;
        break;
    }
    case VideoSortColumn::duration:
        entry.key = directed(orderedBits(item.duration()));
        break;
    case VideoSortColumn::resolution:
        entry.key = directed(orderedBits(pixelCount(item)));
        break;
    case VideoSortColumn::creationDate:
        entry.key =
            directed(orderedBits(std::int64_t(item.creationDate().time_since_epoch().count())));
        break;
    }
    return entry;
}

} // namespace

ComparisonResult compare(const VideoTableSortComparator &comparator, const VideoItem &a,
                         const VideoItem &b) {
    if (comparator.column == VideoSortColumn::size) {
        const bool aKnown = a.sizeState().isKnown();
        const bool bKnown = b.sizeState().isKnown();
        if (aKnown != bKnown)
            return aKnown ? ComparisonResult::ascending : ComparisonResult::descending;
    }
    ComparisonResult result = baseCompare(comparator.column, a, b);
    if (comparator.order == SortDirection::reverse)
        result = reversed(result);
    if (result == ComparisonResult::same)
        result = compareBytes(a.identifierKey(), b.identifierKey());
    return result;
}

std::vector<VideoItem> sortItems(std::vector<VideoItem> items, VideoSortOrder order) {
    const VideoTableSortComparator comparator = tableComparator(order);
    const bool forward = comparator.order == SortDirection::forward;
    std::vector<SortEntry> entries;
    entries.reserve(items.size());
    QByteArray nameArena;
    if (comparator.column == VideoSortColumn::name)
        nameArena.reserve(qsizetype(items.size()) * 16);
    for (std::size_t i = 0; i < items.size(); ++i)
        entries.push_back(sortEntry(comparator, items[i], std::uint32_t(i), nameArena));

    // The same order as compare(), decided from the entries: the column (the name key's first
    // sixteen bytes as two integers, then the rest of it), then the identifier's first eight bytes;
    // only records whose identifiers share those bytes are compared in full.
    std::sort(entries.begin(), entries.end(), [&](const SortEntry &x, const SortEntry &y) {
        if (x.unknownSize != y.unknownSize)
            return y.unknownSize;
        if (x.key != y.key)
            return x.key < y.key;
        if (x.nameNext != y.nameNext)
            return x.nameNext < y.nameNext;
        const auto rest = [&](const SortEntry &e) {
            return QByteArrayView(nameArena.constData() + e.restOffset, e.restLength);
        };
        if (x.nameLength != y.nameLength || rest(x) != rest(y)) {
            // The first sixteen bytes, zero-padded, are equal: the rest decides, then the
            // length (a key that is a prefix of the other goes first).
            ComparisonResult r = compareBytes(rest(x), rest(y));
            if (r == ComparisonResult::same)
                r = threeWay(x.nameLength, y.nameLength);
            return forward ? r == ComparisonResult::ascending : r == ComparisonResult::descending;
        }
        if (x.idPrefix != y.idPrefix)
            return x.idPrefix < y.idPrefix;
        const ComparisonResult r = compare(comparator, items[x.index], items[y.index]);
        if (r != ComparisonResult::same)
            return r == ComparisonResult::ascending;
        return x.index < y.index; // keeps records sharing an identifier in input order
    });

    std::vector<VideoItem> sorted;
    sorted.reserve(items.size());
    for (const SortEntry &entry : entries)
        sorted.push_back(std::move(items[entry.index]));
    return sorted;
}

} // namespace orsenta
