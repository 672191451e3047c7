// SPDX-License-Identifier: GPL-3.0-or-later
// Similar videos: grouping them away from the main thread whenever the records change outside a
// scan, and selecting the extra copies of each group.

#include "progressrelay.h"
#include "videolistviewmodel.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

namespace orsenta {

void VideoListViewModel::fingerprintVideos() {
    if (m_isScanning)
        return;
    if (m_fingerprinting) {
        m_fingerprintAgain = m_fingerprintTask && m_fingerprintTask->stop_requested();
        return;
    }
    QStringList identifiers;
    for (const VideoItem &item : m_items) {
        if (item.fileFacts().fingerprint.isEmpty() && item.duration() > 0)
            identifiers << item.localIdentifier();
    }
    if (identifiers.isEmpty())
        return;
    publish(m_fingerprinting, platform::FingerprintProgress{0, identifiers.size()},
            &VideoListViewModel::fingerprintingChanged);
    m_fingerprintTask.emplace();
    runFingerprinting(this, m_service, std::move(identifiers), m_fingerprintTask->get_token());
}

std::function<void(platform::FingerprintProgress)> VideoListViewModel::fingerprintReporter() {
    // Made outside the coroutine that uses it: GCC 12 mishandles lambda captures built inside
    // a coroutine frame.
    auto relay = ProgressRelay<platform::FingerprintProgress>::make(
        [self = Self(this)](platform::FingerprintProgress progress) {
            if (self && self->m_fingerprinting)
                self->publishIfDifferent(self->m_fingerprinting, std::optional(progress),
                                         &VideoListViewModel::fingerprintingChanged);
        });
    return [relay](platform::FingerprintProgress progress) { relay->report(progress); };
}

QCoro::Task<> VideoListViewModel::runFingerprinting(Self self, Service service,
                                                    QStringList identifiers, std::stop_token stop) {
    auto report = self->fingerprintReporter();
    platform::VideoFingerprints fingerprints;
    try {
        fingerprints =
            co_await service->fingerprintVideos(std::move(identifiers), std::move(report), stop);
    } catch (const std::exception &) {
        // A pass that cannot run leaves the videos without fingerprints: never called similar.
    }
    if (!self)
        co_return;
    self->m_fingerprintTask.reset();
    self->publish(self->m_fingerprinting, std::nullopt, &VideoListViewModel::fingerprintingChanged);
    self->applyFingerprints(fingerprints);
    if (std::exchange(self->m_fingerprintAgain, false))
        self->fingerprintVideos();
}

void VideoListViewModel::applyFingerprints(const platform::VideoFingerprints &fingerprints) {
    if (fingerprints.empty() || m_isScanning)
        return;
    std::vector<VideoItem> updated = m_items;
    for (VideoItem &item : updated) {
        const auto it = fingerprints.find(item.localIdentifier());
        if (it != fingerprints.end())
            item = item.withFingerprint(it->second);
    }
    setItems(std::move(updated));
}

void VideoListViewModel::groupSimilar() {
    const std::uint64_t run = ++m_similarGroupings;
    // A scan replaces the records batch by batch; they are grouped once it ends.
    if (m_isScanning || m_items.empty()) {
        applySimilar({});
        publishIfDifferent(m_isGroupingSimilar, false,
                           &VideoListViewModel::isGroupingSimilarChanged);
        return;
    }
    publishIfDifferent(m_isGroupingSimilar, true, &VideoListViewModel::isGroupingSimilarChanged);
    // Started here rather than in the coroutine: GCC 12 mishandles lambda captures built inside
    // a coroutine frame.
    runSimilarGrouping(
        this, QtConcurrent::run([items = m_items] { return summarizeSimilar(items); }), run);
}

QCoro::Task<> VideoListViewModel::runSimilarGrouping(Self self, QFuture<SimilarSummary> grouping,
                                                     std::uint64_t run) {
    SimilarSummary summary = co_await grouping;
    if (!self || self->m_similarGroupings != run)
        co_return;
    self->applySimilar(std::move(summary));
    self->publish(self->m_isGroupingSimilar, false, &VideoListViewModel::isGroupingSimilarChanged);
}

void VideoListViewModel::applySimilar(SimilarSummary summary) {
    if (m_similar == summary)
        return;
    publish(m_similar, std::move(summary), &VideoListViewModel::similarChanged);
    if (!m_showsSimilar)
        return;
    const bool left = m_similar.isEmpty();
    if (left)
        publish(m_showsSimilar, false, &VideoListViewModel::showsSimilarChanged);
    recomputeVisibleItems(left);
}

std::vector<SimilarGroup> VideoListViewModel::similarGroupsToThin() const {
    QSet<QString> shown;
    shown.reserve(qsizetype(m_visibleItems.size()));
    for (const VideoItem &item : m_visibleItems)
        shown.insert(item.localIdentifier());
    std::vector<SimilarGroup> groups;
    for (const SimilarGroup &group : m_similar.groups) {
        const bool hasShownExtra =
            std::any_of(group.identifiers.cbegin() + 1, group.identifiers.cend(),
                        [&](const QString &id) { return shown.contains(id); });
        if (hasShownExtra)
            groups.push_back(group);
    }
    return groups;
}

void VideoListViewModel::selectExtraSimilar() {
    showSimilar();
    QSet<QString> shown;
    for (const VideoItem &item : m_visibleItems)
        shown.insert(item.localIdentifier());
    QSet<QString> extras;
    for (const SimilarGroup &group : m_similar.groups) {
        for (auto id = group.identifiers.cbegin() + 1; id != group.identifiers.cend(); ++id) {
            if (shown.contains(*id))
                extras.insert(*id);
        }
    }
    setSelectedIDs(std::move(extras));
}

void VideoListViewModel::compareSimilar(const VideoItem &record) {
    if (const SimilarGroup *group = m_similar.groupFor(record.localIdentifier()))
        setComparedGroup(*group);
}

void VideoListViewModel::setComparedGroup(std::optional<SimilarGroup> group) {
    publish(m_comparedGroup, std::move(group), &VideoListViewModel::comparedGroupChanged);
}

} // namespace orsenta
