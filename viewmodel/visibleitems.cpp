// SPDX-License-Identifier: GPL-3.0-or-later
// The visible list: when it is rebuilt from the records and the user's choices, and how the
// menu's sort order and the table's sort descriptors follow each other.

#include "model/similarvideos.h"
#include "model/sorting.h"
#include "videolistviewmodel.h"

#include <algorithm>
#include <tuple>

namespace orsenta {

namespace {

// The same record built again, its search key folded under the current locale.
VideoItem rebuiltInCurrentLocale(const VideoItem &item) {
    const std::optional<QString> name = item.resourceFilename();
    return VideoItem(item.localIdentifier(),
                     name ? std::optional<QStringView>(*name) : std::nullopt, item.creationDate(),
                     item.duration(), item.pixelWidth(), item.pixelHeight(), item.isFavorite(),
                     item.isScreenRecording(), item.sizeState(), item.fileFacts());
}

void rebuildInCurrentLocale(std::vector<VideoItem> &items) {
    for (VideoItem &item : items)
        item = rebuiltInCurrentLocale(item);
}

// The members of similar groups among `sorted`, each group's videos together with its keeper
// first and the groups in the summary's order; within a group the list's own order holds.
std::vector<VideoItem> similarOnly(std::vector<VideoItem> sorted, const SimilarSummary &similar) {
    struct Placed {
        int group;
        bool keeper;
        std::size_t position;
    };
    std::vector<std::pair<Placed, VideoItem>> members;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const QString id = sorted[i].localIdentifier();
        const auto group = similar.groupOf.constFind(id);
        if (group == similar.groupOf.cend())
            continue;
        const bool keeper = similar.groups[std::size_t(*group)].identifiers.front() == id;
        members.push_back({{*group, keeper, i}, std::move(sorted[i])});
    }
    std::sort(members.begin(), members.end(), [](const auto &a, const auto &b) {
        return std::tuple(a.first.group, !a.first.keeper, a.first.position)
               < std::tuple(b.first.group, !b.first.keeper, b.first.position);
    });
    std::vector<VideoItem> shown;
    shown.reserve(members.size());
    for (auto &member : members)
        shown.push_back(std::move(member.second));
    return shown;
}

} // namespace

// --- Choices that narrow or order the list ----------------------------------------------------

void VideoListViewModel::setSearchText(const QString &text) {
    const bool differs = text != m_searchText;
    publish(m_searchText, text, &VideoListViewModel::searchTextChanged);
    if (differs)
        recomputeVisibleItems(true);
}

void VideoListViewModel::setSizeFilter(SizeFilter filter) {
    const bool differs = filter != m_sizeFilter;
    publish(m_sizeFilter, filter, &VideoListViewModel::sizeFilterChanged);
    if (differs)
        recomputeVisibleItems(true);
}

void VideoListViewModel::setSortOrder(VideoSortOrder order) {
    const VideoSortOrder old = m_sortOrder;
    publish(m_sortOrder, order, &VideoListViewModel::sortOrderChanged);
    followSortOrder(old);
}

void VideoListViewModel::setTableSortOrder(QList<VideoTableSortComparator> descriptors) {
    const QList<VideoTableSortComparator> old = m_tableSortOrder;
    publish(m_tableSortOrder, std::move(descriptors), &VideoListViewModel::tableSortOrderChanged);
    followTableSortOrder(old);
}

void VideoListViewModel::followSortOrder(VideoSortOrder old) {
    if (m_sortOrder == old)
        return;
    const QList<VideoTableSortComparator> single{tableComparator(m_sortOrder)};
    if (m_tableSortOrder != single) {
        const QList<VideoTableSortComparator> oldDescriptors = m_tableSortOrder;
        publish(m_tableSortOrder, single, &VideoListViewModel::tableSortOrderChanged);
        // Maps back to the order just set, so it ends there without a second recompute.
        followTableSortOrder(oldDescriptors);
    }
    recomputeVisibleItems(true);
}

void VideoListViewModel::followTableSortOrder(const QList<VideoTableSortComparator> &old) {
    // The table may drop its descriptors; the list keeps its order.
    if (m_tableSortOrder.isEmpty() || m_tableSortOrder == old)
        return;
    // Only the first descriptor counts: secondary ones never refine the order.
    const VideoTableSortComparator &first = m_tableSortOrder.front();
    setSortOrder(videoSortOrder(first.column, first.order));
}

void VideoListViewModel::select(const DateFilter &dateFilter, bool showsDuplicates) {
    chooseView(dateFilter, showsDuplicates, false);
}

void VideoListViewModel::chooseView(const DateFilter &dateFilter, bool showsDuplicates,
                                    bool showsSimilar) {
    if (m_dateFilter == dateFilter && m_showsDuplicates == showsDuplicates
        && m_showsSimilar == showsSimilar)
        return;
    if (m_dateFilter != dateFilter)
        publish(m_dateFilter, dateFilter, &VideoListViewModel::dateFilterChanged);
    if (m_showsDuplicates != showsDuplicates)
        publish(m_showsDuplicates, showsDuplicates, &VideoListViewModel::showsDuplicatesChanged);
    if (m_showsSimilar != showsSimilar)
        publish(m_showsSimilar, showsSimilar, &VideoListViewModel::showsSimilarChanged);
    recomputeVisibleItems(true);
}

void VideoListViewModel::selectYear(std::int64_t year) {
    if (m_expandedYear != year)
        publish(m_expandedYear, year, &VideoListViewModel::expandedYearChanged);
    select(DateFilter::year(year), false);
}

void VideoListViewModel::showDuplicates() {
    if (m_expandedYear)
        publish(m_expandedYear, std::nullopt, &VideoListViewModel::expandedYearChanged);
    // Copies of one size then sit next to each other; an ascending size order is kept.
    if (m_sortOrder != VideoSortOrder::sizeAsc && m_sortOrder != VideoSortOrder::sizeDesc)
        setSortOrder(VideoSortOrder::sizeDesc);
    select(DateFilter::all(), true);
}

void VideoListViewModel::showSimilar() {
    if (m_expandedYear)
        publish(m_expandedYear, std::nullopt, &VideoListViewModel::expandedYearChanged);
    chooseView(DateFilter::all(), false, true);
}

void VideoListViewModel::clearFilters() {
    setSearchText(QString());
    setSizeFilter(SizeFilter::none);
    select(DateFilter::all(), false);
}

// --- Replacing the records --------------------------------------------------------------------

void VideoListViewModel::setItems(std::vector<VideoItem> items) {
    m_items = std::move(items);
    if (m_localeChangedDuringScan)
        rebuildInCurrentLocale(m_items);
    m_itemsByID.clear();
    m_itemsByIDStale = true;
    updateLibraryStats();
    const bool dateFilterReset = rebuildDateBuckets();
    const bool duplicatesLeft = updateDuplicates();
    recomputeVisibleItems(dateFilterReset || duplicatesLeft);
    updateSelectionStats();
    groupSimilar();
}

void VideoListViewModel::updateLibraryStats() {
    publishIfDifferent(m_stats, libraryStats(m_items, m_stats.visibleCount),
                       &VideoListViewModel::statsChanged);
}

// True when the date filter went back to all dates because its year has no videos any more.
bool VideoListViewModel::rebuildDateBuckets() {
    DateBuckets buckets = buildDateBuckets(m_items);
    publishIfDifferent(m_yearBuckets, std::move(buckets.years),
                       &VideoListViewModel::yearBucketsChanged);
    m_monthBucketsByYear = std::move(buckets.monthsByYear);
    if (!m_expandedYear || m_monthBucketsByYear.contains(*m_expandedYear))
        return false;
    const std::int64_t year = *m_expandedYear;
    publish(m_expandedYear, std::nullopt, &VideoListViewModel::expandedYearChanged);
    const auto &filter = m_dateFilter.value();
    const auto *inYear = std::get_if<DateFilter::Year>(&filter);
    const auto *inMonth = std::get_if<DateFilter::Month>(&filter);
    if ((inYear && inYear->year == year) || (inMonth && inMonth->year == year)) {
        publish(m_dateFilter, DateFilter::all(), &VideoListViewModel::dateFilterChanged);
        return true;
    }
    return false;
}

// True when the duplicates view was left because no two videos share a size any more.
bool VideoListViewModel::updateDuplicates() {
    publishIfDifferent(m_duplicates, summarizeDuplicates(m_items),
                       &VideoListViewModel::duplicatesChanged);
    if (m_showsDuplicates && m_duplicates.isEmpty()) {
        publish(m_showsDuplicates, false, &VideoListViewModel::showsDuplicatesChanged);
        return true;
    }
    return false;
}

// Asked on every rebuild of the list rather than only on the application's notice, which a
// change of the default locale within the process does not send.
void VideoListViewModel::followLocale() {
    const QLocale locale;
    if (locale == m_keysLocale)
        return;
    m_keysLocale = locale;
    rebuildInCurrentLocale(m_items);
    m_itemsByID.clear();
    m_itemsByIDStale = true;
    m_localeChangedDuringScan = m_localeChangedDuringScan || m_isScanning;
}

void VideoListViewModel::recomputeVisibleItems(bool resetRows) {
    followLocale();
    const DuplicateSummary *duplicates = m_showsDuplicates ? &m_duplicates : nullptr;
    std::vector<VideoItem> shown = sortItems(
        filterItems(m_items, m_sizeFilter, m_searchText, m_dateFilter, duplicates), m_sortOrder);
    if (m_showsSimilar)
        shown = similarOnly(std::move(shown), m_similar);
    applyVisibleItems(std::move(shown), resetRows);
}

void VideoListViewModel::applyVisibleItems(std::vector<VideoItem> items, bool resetRows) {
    publish(m_visibleItems, std::move(items), &VideoListViewModel::visibleItemsChanged);
    if (resetRows)
        publish(m_rowSetIdentity, m_rowSetIdentity + 1, &VideoListViewModel::rowSetIdentityChanged);
    const auto visibleCount = std::int64_t(m_visibleItems.size());
    if (m_stats.visibleCount != visibleCount) {
        LibraryStats stats = m_stats;
        stats.visibleCount = visibleCount;
        publish(m_stats, stats, &VideoListViewModel::statsChanged);
    }
}

} // namespace orsenta
