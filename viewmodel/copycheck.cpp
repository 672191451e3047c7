// SPDX-License-Identifier: GPL-3.0-or-later
// Identical copies and the Trash: the content check that follows a scan, Select Extra Copies
// waiting for it, what of the library waits in the Trash, and Undo of the last move.

#include "progressrelay.h"
#include "videolistviewmodel.h"

#include <QCoreApplication>

namespace orsenta {

void VideoListViewModel::selectExtraCopies() {
    showDuplicates();
    if (m_copyCheck) {
        m_selectExtrasWhenChecked = true;
        return;
    }
    setSelectedIDs(extraCopyIdentifiers(m_visibleItems));
}

void VideoListViewModel::checkCopies() {
    if (m_isScanning)
        return;
    if (m_copyCheck) {
        m_copyCheckAgain = m_copyCheckTask && m_copyCheckTask->stop_requested();
        return;
    }
    std::vector<QStringList> groups = sizeGroupsToCheck(m_items);
    if (groups.empty()) {
        if (std::exchange(m_selectExtrasWhenChecked, false))
            selectExtraCopies();
        return;
    }
    publish(m_copyCheck, CopyCheck{std::int64_t(groups.size()), 0, 0},
            &VideoListViewModel::copyCheckChanged);
    m_copyCheckTask.emplace();
    runCopyCheck(this, m_service, std::move(groups), m_copyCheckTask->get_token());
}

std::function<void(platform::ContentCheckProgress)>
VideoListViewModel::copyCheckReporter(std::int64_t groupCount) {
    // Made outside the coroutine that uses it: GCC 12 mishandles lambda captures built inside
    // a coroutine frame.
    auto relay = ProgressRelay<platform::ContentCheckProgress>::make(
        [self = Self(this), groupCount](platform::ContentCheckProgress progress) {
            if (!self || !self->m_copyCheck)
                return;
            self->publishIfDifferent(
                self->m_copyCheck,
                std::optional(CopyCheck{groupCount, progress.doneBytes, progress.totalBytes}),
                &VideoListViewModel::copyCheckChanged);
            self->publishIfDifferent(
                self->m_status,
                StatusText::checkingCopies(groupCount, progress.doneBytes, progress.totalBytes),
                &VideoListViewModel::statusChanged);
        });
    return [relay](platform::ContentCheckProgress progress) { relay->report(progress); };
}

void VideoListViewModel::cancelCopyCheck() {
    // The check and the fingerprinting pass clear their own state when they end.
    if (m_copyCheckTask)
        m_copyCheckTask->request_stop();
    if (m_fingerprintTask)
        m_fingerprintTask->request_stop();
    m_copyCheckAgain = false;
    m_fingerprintAgain = false;
    m_selectExtrasWhenChecked = false;
}

QCoro::Task<> VideoListViewModel::runCopyCheck(Self self, Service service,
                                               std::vector<QStringList> groups,
                                               std::stop_token stop) {
    const StatusText before = self->m_status;
    const auto groupCount = std::int64_t(groups.size());
    self->publish(self->m_status, StatusText::checkingCopies(groupCount, 0, 0),
                  &VideoListViewModel::statusChanged);
    auto report = self->copyCheckReporter(groupCount);
    platform::ContentDigests digests;
    try {
        digests = co_await service->checkContent(std::move(groups), std::move(report), stop);
    } catch (const std::exception &) {
        // A check that cannot run leaves the videos unchecked: never called copies.
    }
    if (!self)
        co_return;
    self->applyContentDigests(digests);
    self->m_copyCheckTask.reset();
    self->publish(self->m_copyCheck, std::nullopt, &VideoListViewModel::copyCheckChanged);
    if (self->m_status.key() == StatusText::Key::checkingCopies)
        self->publish(self->m_status,
                      stop.stop_requested() ? StatusText::copyCheckStopped() : before,
                      &VideoListViewModel::statusChanged);
    if (std::exchange(self->m_selectExtrasWhenChecked, false) && !stop.stop_requested())
        self->selectExtraCopies();
    if (std::exchange(self->m_copyCheckAgain, false))
        self->checkCopies();
}

void VideoListViewModel::applyContentDigests(const platform::ContentDigests &digests) {
    if (digests.empty())
        return;
    std::vector<VideoItem> updated = m_items;
    bool changed = false;
    for (VideoItem &item : updated) {
        const auto it = digests.find(item.localIdentifier());
        if (it != digests.end()) {
            item = item.withContentChecked(it->second);
            changed = true;
        }
    }
    if (changed)
        setItems(std::move(updated));
}

// --- The Trash --------------------------------------------------------------------------------

QCoro::Task<> VideoListViewModel::refreshTrash(Self self, Service service) {
    // Refreshes may overlap (a scan's, then a move's): only the latest one tells.
    const std::uint64_t generation = ++self->m_trashRefreshes;
    PhotoLibraryService::TrashState state;
    try {
        state = co_await service->trashState();
    } catch (const std::exception &) {
        co_return; // the figures stay as they were rather than turn into a false zero
    }
    if (!self || self->m_trashRefreshes != generation)
        co_return;
    self->publishIfDifferent(self->m_libraryTrash, state.trash,
                             &VideoListViewModel::libraryTrashChanged);
    self->publishIfDifferent(self->m_canUndoDeletion, state.canRestore,
                             &VideoListViewModel::canUndoDeletionChanged);
}

void VideoListViewModel::openTrash() {
    m_toolkit->openTrash();
}

void VideoListViewModel::undoDeletion() {
    if (refusesItemActions() || !m_canUndoDeletion)
        return;
    performItemAction(StatusText(StatusText::Key::restoring),
                      [self = Self(this), service = m_service](std::stop_token) {
                          return restoreDeletion(self, service);
                      });
}

QCoro::Task<> VideoListViewModel::restoreDeletion(Self self, Service service) {
    platform::RestoreOutcome outcome;
    std::optional<QString> failure;
    try {
        outcome = co_await service->restoreLastDeletion();
    } catch (const std::exception &error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    if (!self)
        co_return;
    self->publish(self->m_canUndoDeletion, false, &VideoListViewModel::canUndoDeletionChanged);
    if (failure) {
        self->publish(self->m_errorMessage, failure, &VideoListViewModel::errorMessageChanged);
        co_return;
    }
    self->publish(self->m_status, StatusText::restored(outcome.restored.size()),
                  &VideoListViewModel::statusChanged);
    if (!outcome.stayed.isEmpty()) {
        QString alert =
            QCoreApplication::translate("VideoListViewModel", "%Ln video(s) stayed in the Trash.",
                                        nullptr, int(outcome.stayed.size()));
        if (!outcome.message.isEmpty())
            alert += u'\n' + outcome.message;
        if (outcome.restored.isEmpty())
            self->publish(self->m_errorMessage, std::move(alert),
                          &VideoListViewModel::errorMessageChanged);
        else
            self->m_alertAfterScan = std::move(alert);
    }
    // The videos come back through a scan, which reads them with their identifiers and
    // favourites; it starts once this action has ended, and says what stayed when it ends.
    if (!outcome.restored.isEmpty())
        QMetaObject::invokeMethod(
            self.data(), [self] { self->startScan(); }, Qt::QueuedConnection);
}

} // namespace orsenta
