#include "sorting.h"

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
        return x.isKnown() && y.isKnown() ? threeWay(x.bytes(), y.bytes())
                                          : ComparisonResult::same;
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

ComparisonResult reversed(ComparisonResult r) { return ComparisonResult(-std::int8_t(r)); }

std::uint64_t orderedBits(std::int64_t value) { return std::uint64_t(value) ^ signBit; }

std::uint64_t orderedBits(double value) {
    if (std::isnan(value))
        return std::numeric_limits<std::uint64_t>::max();
    if (value == 0)
        value = 0; // minus zero sorts with zero
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return (bits & signBit) ? ~bits : bits | signBit;
}

// A number per record whose order agrees with compare(): a smaller key always means "goes
// before"; equal keys are settled by compare() itself. It lets the sort decide almost every
// comparison with one integer test.
std::uint64_t sortKey(const VideoTableSortComparator &comparator, const VideoItem &item) {
    const bool forward = comparator.order == SortDirection::forward;
    const auto directed = [forward](std::uint64_t key) { return forward ? key : ~key; };
    switch (comparator.column) {
    case VideoSortColumn::name:
        return directed(item.namePrefix());
    case VideoSortColumn::size: {
        const SizeState size = item.sizeState();
        if (!size.isKnown())
            return std::numeric_limits<std::uint64_t>::max();
        return directed(orderedBits(size.bytes())) >> 1;
    }
    case VideoSortColumn::duration:
        return directed(orderedBits(item.duration()));
    case VideoSortColumn::resolution:
        return directed(orderedBits(pixelCount(item)));
    case VideoSortColumn::creationDate:
        return directed(orderedBits(std::int64_t(item.creationDate().time_since_epoch().count())));
    }
    return 0;
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
    struct Entry {
        std::uint64_t key;
        std::uint32_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        entries.push_back({sortKey(comparator, items[i]), std::uint32_t(i)});

    std::sort(entries.begin(), entries.end(), [&](const Entry &x, const Entry &y) {
        if (x.key != y.key)
            return x.key < y.key;
        const ComparisonResult r = compare(comparator, items[x.index], items[y.index]);
        if (r != ComparisonResult::same)
            return r == ComparisonResult::ascending;
        return x.index < y.index; // keeps records sharing an identifier in input order
    });

    std::vector<VideoItem> sorted;
    sorted.reserve(items.size());
    for (const Entry &entry : entries)
        sorted.push_back(std::move(items[entry.index]));
    return sorted;
}

} // namespace orsenta
