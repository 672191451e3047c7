// SPDX-License-Identifier: GPL-3.0-or-later
// Changes made to the library outside the application: vanished videos leave the list, and the
// window is told that a rescan would show the rest.

#include "videolistviewmodel.h"

namespace orsenta {

void VideoListViewModel::handleLibraryChange() {
    // Dropped, not deferred: a scan reads the library anew anyway, and an action's own changes
    // are already in the list.
    if (m_isScanning || m_isPerformingItemAction || m_items.empty())
        return;
    if (m_clock->now() < m_suppressChangesUntil)
        return;
    dropVanishedVideos(this, m_service);
}

QCoro::Task<> VideoListViewModel::dropVanishedVideos(Self self, Service service) {
    QStringList asked;
    {
        QSet<QString> seen;
        for (const VideoItem &item : self->m_items) {
            QString identifier = item.localIdentifier();
            if (!seen.contains(identifier)) {
                seen.insert(identifier);
                asked.append(std::move(identifier));
            }
        }
    }
    QSet<QString> existing;
    try {
        existing = co_await service->existingIdentifiers(asked);
    } catch (const std::exception &) {
        // Not knowing what exists is no reason to take videos off the list.
        co_return;
    }
    if (!self)
        co_return;
    QSet<QString> vanished;
    for (const QString &identifier : std::as_const(asked)) {
        if (!existing.contains(identifier))
            vanished.insert(identifier);
    }
    if (vanished.isEmpty()) {
        // Something was added or edited: only a rescan shows it.
        self->publish(self->m_hasExternalChanges, true,
                      &VideoListViewModel::hasExternalChangesChanged);
        co_return;
    }
    // Filtered by what vanished rather than by what was confirmed, so that records a scan added
    // during the wait stay.
    std::vector<VideoItem> kept;
    kept.reserve(self->m_items.size());
    for (const VideoItem &item : self->m_items) {
        if (!vanished.contains(item.localIdentifier()))
            kept.push_back(item);
    }
    self->setItems(std::move(kept));
    self->setSelectedIDs(QSet<QString>(self->m_selectedIDs).subtract(vanished));
    self->publish(self->m_hasExternalChanges, true, &VideoListViewModel::hasExternalChangesChanged);
    self->publish(self->m_status, StatusText::removedInPhotos(vanished.size()),
                  &VideoListViewModel::statusChanged);
}

} // namespace orsenta
