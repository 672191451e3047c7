// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates.h"

#include "keeperchoice.h"

#include <QRegularExpression>

#include <algorithm>

namespace orsenta {

namespace {

std::optional<std::int64_t> groupingBytes(const VideoItem &item) {
    const SizeState size = item.sizeState();
    if (size.isKnown() && size.bytes() >= 1)
        return size.bytes();
    return std::nullopt;
}

// The digest of a video whose content was read and matched another's; empty otherwise.
QByteArray verifiedDigest(const VideoItem &item) {
    if (!groupingBytes(item))
        return {};
    return item.fileFacts().contentDigest;
}

// Unknown times and lengths sort after known ones.
template <typename T>
int compareKnownFirst(const T &a, const T &b, const T &unknown) {
    if (a == b)
        return 0;
    if (a == unknown)
        return 1;
    if (b == unknown)
        return -1;
    return a < b ? -1 : 1;
}

// Which of two copies has the better claim to stay, and by which rule.
KeeperDecision<KeeperReason> decide(const VideoItem &a, const VideoItem &b) {
    if (a.isFavorite() != b.isFavorite())
        return {a.isFavorite(), KeeperReason::favourite};
    if (a.creationDate() != b.creationDate())
        return {a.creationDate() < b.creationDate(), KeeperReason::oldest};
    const bool aCopy = looksLikeCopyName(a.displayName());
    if (aCopy != looksLikeCopyName(b.displayName()))
        return {!aCopy, KeeperReason::originalName};
    const FileFacts &x = a.fileFacts();
    const FileFacts &y = b.fileFacts();
    if (const int c = compareKnownFirst(x.fileTime, y.fileTime, distantPast))
        return {c < 0, KeeperReason::earliestFile};
    if (const int c = compareKnownFirst(x.pathLength, y.pathLength, 0))
        return {c < 0, KeeperReason::shortestPath};
    return {a.identifierKey() < b.identifierKey(), KeeperReason::firstOfEquals};
}

// Groups of two or more identical copies among `items`, each in input order.
std::vector<std::vector<const VideoItem *>> copyGroups(const std::vector<VideoItem> &items) {
    QHash<QByteArray, std::vector<const VideoItem *>> byDigest;
    for (const VideoItem &item : items) {
        if (QByteArray digest = verifiedDigest(item); !digest.isEmpty())
            byDigest[digest].push_back(&item);
    }
    std::vector<std::vector<const VideoItem *>> groups;
    for (auto &group : byDigest) {
        if (group.size() >= 2)
            groups.push_back(std::move(group));
    }
    return groups;
}

} // namespace

std::optional<std::int64_t> DuplicateSummary::copiesOf(const VideoItem &item) const {
    const QByteArray digest = verifiedDigest(item);
    if (digest.isEmpty())
        return std::nullopt;
    const auto it = countsByContent.constFind(digest);
    if (it == countsByContent.cend())
        return std::nullopt;
    return *it;
}

bool DuplicateSummary::isUnchecked(const VideoItem &item) const {
    const auto bytes = groupingBytes(item);
    return bytes && !item.fileFacts().contentChecked && uncheckedBySize.contains(*bytes);
}

std::optional<KeeperReason> DuplicateSummary::keeperReason(const VideoItem &item) const {
    const auto it = keepers.constFind(item.localIdentifier());
    if (it == keepers.cend() || !copiesOf(item))
        return std::nullopt;
    return *it;
}

DuplicateSummary summarizeDuplicates(const std::vector<VideoItem> &items) {
    DuplicateSummary summary;
    for (const auto &group : copyGroups(items)) {
        const auto keeper = chooseKeeper(group, decide);
        summary.countsByContent.insert(verifiedDigest(*group.front()), qint64(group.size()));
        summary.videoCount += qint64(group.size());
        summary.keepers.insert(keeper.item->localIdentifier(), keeper.reason);
        for (const VideoItem *member : group) {
            if (member != keeper.item)
                summary.reclaimableBytes += member->freedBytes();
        }
    }
    QHash<std::int64_t, std::int64_t> sizes;
    QHash<std::int64_t, std::int64_t> unchecked;
    for (const VideoItem &item : items) {
        if (const auto bytes = groupingBytes(item)) {
            ++sizes[*bytes];
            if (!item.fileFacts().contentChecked)
                ++unchecked[*bytes];
        }
    }
    for (auto it = unchecked.cbegin(); it != unchecked.cend(); ++it) {
        if (sizes.value(it.key()) >= 2) {
            summary.uncheckedBySize.insert(it.key(), it.value());
            summary.uncheckedCount += it.value();
        }
    }
    return summary;
}

std::vector<QStringList> sizeGroupsToCheck(const std::vector<VideoItem> &items) {
    QHash<std::int64_t, std::pair<QStringList, bool>> bySize;
    for (const VideoItem &item : items) {
        if (const auto bytes = groupingBytes(item)) {
            auto &[ids, needsCheck] = bySize[*bytes];
            ids << item.localIdentifier();
            needsCheck = needsCheck || !item.fileFacts().contentChecked;
        }
    }
    std::vector<QStringList> groups;
    for (auto &[ids, needsCheck] : bySize) {
        if (needsCheck && ids.size() >= 2)
            groups.push_back(std::move(ids));
    }
    return groups;
}

bool looksLikeCopyName(const QString &fileName) {
    static const QRegularExpression copy(
        QStringLiteral(R"(^copy of |(?: copy(?: \d+)?| \(\d+\)|_\d)$)"),
        QRegularExpression::CaseInsensitiveOption);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    return copy.match(stem).hasMatch();
}

QSet<QString> extraCopyIdentifiers(const std::vector<VideoItem> &items) {
    QSet<QString> extras;
    for (const auto &group : copyGroups(items)) {
        const auto keeper = chooseKeeper(group, decide);
        for (const VideoItem *member : group) {
            if (member != keeper.item)
                extras.insert(member->localIdentifier());
        }
    }
    return extras;
}

} // namespace orsenta
