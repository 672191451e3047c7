// SPDX-License-Identifier: GPL-3.0-or-later
// The selection and what the user does to videos: move to the trash, favourite, download, copy
// names, show the file. Changes of the library run one at a time through performItemAction.

#include "filenames.h"
#include "videolistviewmodel.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace orsenta {

namespace {

QString describe(const std::exception &error) {
    if (const auto *libraryError = dynamic_cast<const PhotoLibraryError *>(&error))
        return libraryError->errorDescription();
    return QString::fromLocal8Bit(error.what());
}

QStringList identifiersOf(const std::vector<VideoItem> &records) {
    QStringList identifiers;
    identifiers.reserve(qsizetype(records.size()));
    for (const VideoItem &record : records)
        identifiers.append(record.localIdentifier());
    return identifiers;
}

// The alert for videos that stayed: how many, then a line for each, naming it and saying why;
// the first ten lines, then how many more. Nothing when no line explains them.
std::optional<QString> stayedAlert(const DeletionOutcome &outcome,
                                   const QHash<QString, VideoItem> &byID) {
    constexpr qsizetype shownLines = 10;
    QStringList lines;
    if (outcome.message)
        lines = outcome.message->split(u'\n', Qt::SkipEmptyParts);
    QStringList names;
    for (const QString &id : outcome.unavailableIdentifiers) {
        const auto item = byID.constFind(id);
        QString name = item == byID.cend() ? id : item->displayName();
        // One line each, whatever the name holds.
        for (QChar &c : name) {
            if (c.category() == QChar::Other_Control)
                c = QChar::ReplacementCharacter;
        }
        names << name;
    }
    names.sort(Qt::CaseInsensitive);
    for (const QString &name : names)
        lines << QCoreApplication::translate("VideoListViewModel",
                                             "“%1”: it was removed or replaced after the scan; "
                                             "scan again to see it as it is now.")
                     .arg(name);
    if (lines.isEmpty())
        return std::nullopt;
    const auto stayed =
        int(outcome.refusedIdentifiers.size() + outcome.unavailableIdentifiers.size());
    // A failure that names no video (the library broke down) is its own message.
    if (stayed == 0)
        return lines.join(u'\n');
    QString alert = QCoreApplication::translate(
        "VideoListViewModel", "%Ln video(s) were not moved to the Trash.", nullptr, stayed);
    for (const QString &line : lines.first(std::min(lines.size(), shownLines)))
        alert += u'\n' + line;
    if (lines.size() > shownLines)
        alert += u'\n'
                 + QCoreApplication::translate("VideoListViewModel", "And %Ln more.", nullptr,
                                               int(lines.size() - shownLines));
    return alert;
}

} // namespace

// --- Selection --------------------------------------------------------------------------------

void VideoListViewModel::setSelectedIDs(QSet<QString> identifiers) {
    const bool differs = identifiers != m_selectedIDs;
    publish(m_selectedIDs, std::move(identifiers), &VideoListViewModel::selectedIDsChanged);
    if (differs)
        updateSelectionStats();
}

void VideoListViewModel::updateSelectionStats() {
    publishIfDifferent(m_selectionStats,
                       m_selectedIDs.isEmpty() ? SelectionStats{}
                                               : selectionStatsOf(m_selectedIDs, itemsByID()),
                       &VideoListViewModel::selectionStatsChanged);
}

// --- The action runner ------------------------------------------------------------------------

bool VideoListViewModel::refusesItemActions() const {
    return m_isScanning || m_isPerformingItemAction;
}

void VideoListViewModel::performItemAction(StatusText status, ItemOperation operation) {
    publish(m_isPerformingItemAction, true, &VideoListViewModel::isPerformingItemActionChanged);
    publish(m_status, std::move(status), &VideoListViewModel::statusChanged);
    m_actionTask.emplace();
    runItemAction(this, std::move(operation), m_actionTask->get_token());
}

QCoro::Task<> VideoListViewModel::runItemAction(Self self, ItemOperation operation,
                                                std::stop_token stop) {
    try {
        auto work = operation(stop);
        co_await work;
    } catch (...) {
        // Operations report their own failures; this only keeps the flag from sticking.
    }
    if (!self)
        co_return;
    self->m_suppressChangesUntil = self->m_clock->now() + ownChangeQuietPeriod;
    self->publish(self->m_isPerformingItemAction, false,
                  &VideoListViewModel::isPerformingItemActionChanged);
    self->m_actionTask.reset();
}

// --- Deletion ---------------------------------------------------------------------------------

void VideoListViewModel::requestDelete(const std::vector<VideoItem> &records) {
    if (refusesItemActions() || records.empty())
        return;
    const QStringList identifiers = identifiersOf(records);
    publish(m_pendingDeletionIDs, QSet<QString>(identifiers.cbegin(), identifiers.cend()),
            &VideoListViewModel::pendingDeletionIDsChanged);
    publish(m_showDeleteConfirmation, true, &VideoListViewModel::showDeleteConfirmationChanged);
}

void VideoListViewModel::confirmDelete() {
    const QSet<QString> &chosen =
        m_pendingDeletionIDs.isEmpty() ? m_selectedIDs : m_pendingDeletionIDs;
    const QStringList identifiers(chosen.cbegin(), chosen.cend());
    publish(m_showDeleteConfirmation, false, &VideoListViewModel::showDeleteConfirmationChanged);
    publish(m_pendingDeletionIDs, QSet<QString>(), &VideoListViewModel::pendingDeletionIDsChanged);
    if (refusesItemActions() || identifiers.isEmpty())
        return;
    performItemAction(StatusText::deleting(identifiers.size()),
                      [self = Self(this), service = m_service, identifiers](std::stop_token) {
                          return deleteVideos(self, service, identifiers);
                      });
}

// Runs to its end even when the action is cancelled: the library may already have moved the
// files, and the list must show it.
QCoro::Task<> VideoListViewModel::deleteVideos(Self self, Service service,
                                               QStringList identifiers) {
    DeletionOutcome outcome;
    try {
        outcome = co_await service->deleteVideos(identifiers);
    } catch (const std::exception &error) {
        outcome = DeletionOutcome::failed(describe(error));
    }
    if (self)
        self->applyDeletion(outcome);
}

void VideoListViewModel::applyDeletion(const DeletionOutcome &outcome) {
    switch (outcome.kind) {
    case DeletionOutcome::Kind::success: {
        const QSet<QString> deleted(outcome.deletedIdentifiers.cbegin(),
                                    outcome.deletedIdentifiers.cend());
        std::vector<VideoItem> kept;
        kept.reserve(m_items.size());
        std::int64_t freed = 0;
        std::int64_t freeingNothing = 0;
        for (const VideoItem &item : m_items) {
            if (!deleted.contains(item.localIdentifier())) {
                kept.push_back(item);
                continue;
            }
            freed += item.freedBytes();
            if (item.freedBytes() == 0 && item.sizeState().knownBytes().value_or(0) > 0)
                ++freeingNothing;
        }
        setItems(std::move(kept));
        setSelectedIDs(QSet<QString>(m_selectedIDs).subtract(deleted));
        publish(m_status, StatusText::deleted(deleted.size(), freed, freeingNothing),
                &VideoListViewModel::statusChanged);
        refreshTrash(this, m_service);
        // Some videos stayed (changed since the scan, no Trash on their drive): say why.
        if (auto alert = stayedAlert(outcome, itemsByID()))
            publish(m_errorMessage, std::move(alert), &VideoListViewModel::errorMessageChanged);
        break;
    }
    case DeletionOutcome::Kind::failed:
        publish(m_errorMessage,
                stayedAlert(outcome, itemsByID())
                    .value_or(QCoreApplication::translate(
                        "VideoListViewModel", "The videos could not be moved to the Trash.")),
                &VideoListViewModel::errorMessageChanged);
        publish(m_status, StatusText(StatusText::Key::deletionFailed),
                &VideoListViewModel::statusChanged);
        break;
    case DeletionOutcome::Kind::cancelled:
        publish(m_status, StatusText(StatusText::Key::deletionCancelled),
                &VideoListViewModel::statusChanged);
        break;
    }
}

// --- Favourites -------------------------------------------------------------------------------

void VideoListViewModel::toggleFavorite(const std::vector<VideoItem> &records) {
    if (refusesItemActions() || records.empty())
        return;
    // Mixed records all become favourites; only favourites alone are un-favourited.
    const bool favorite = std::any_of(records.cbegin(), records.cend(),
                                      [](const VideoItem &record) { return !record.isFavorite(); });
    const QStringList identifiers = identifiersOf(records);
    const auto count = std::int64_t(records.size());
    performItemAction(
        favorite ? StatusText::addingFavorites(count) : StatusText::removingFavorites(count),
        [self = Self(this), service = m_service, identifiers, favorite](std::stop_token) {
            return setFavorite(self, service, identifiers, favorite);
        });
}

QCoro::Task<> VideoListViewModel::setFavorite(Self self, Service service, QStringList identifiers,
                                              bool isFavorite) {
    std::optional<QString> failure;
    try {
        co_await service->setFavorite(identifiers, isFavorite);
    } catch (const std::exception &error) {
        failure = describe(error);
    }
    if (!self)
        co_return;
    if (failure) {
        self->publish(self->m_errorMessage, *failure, &VideoListViewModel::errorMessageChanged);
        self->publish(self->m_status, StatusText(StatusText::Key::favoriteFailed),
                      &VideoListViewModel::statusChanged);
        co_return;
    }
    const QSet<QString> changed(identifiers.cbegin(), identifiers.cend());
    std::vector<VideoItem> updated = self->m_items;
    for (VideoItem &item : updated) {
        if (changed.contains(item.localIdentifier()))
            item = item.withFavorite(isFavorite);
    }
    self->setItems(std::move(updated));
    const auto count = std::int64_t(identifiers.size());
    self->publish(self->m_status,
                  isFavorite ? StatusText::addedFavorites(count)
                             : StatusText::removedFavorites(count),
                  &VideoListViewModel::statusChanged);
}

// --- Downloads --------------------------------------------------------------------------------

void VideoListViewModel::download(const std::vector<VideoItem> &records) {
    if (refusesItemActions() || records.empty())
        return;
    startDownload(this, m_toolkit, records);
}

QCoro::Task<> VideoListViewModel::startDownload(Self self, std::shared_ptr<DesktopToolkit> toolkit,
                                                std::vector<VideoItem> records) {
    std::optional<DownloadTargets> targets;
    try {
        auto choosing = chooseDownloadTargets(std::move(toolkit), std::move(records));
        targets = co_await choosing;
    } catch (const std::exception &) {
        co_return;
    }
    // The panel waited for the user, and a scan or another action may have begun meanwhile.
    if (!self || !targets || self->refusesItemActions())
        co_return;
    const auto count = std::int64_t(targets->size());
    self->performItemAction(
        StatusText::downloading(count),
        [self, service = self->m_service, targets = std::move(*targets)](std::stop_token stop) {
            return downloadAll(self, service, targets, stop);
        });
}

QCoro::Task<std::optional<VideoListViewModel::DownloadTargets>>
VideoListViewModel::chooseDownloadTargets(std::shared_ptr<DesktopToolkit> toolkit,
                                          std::vector<VideoItem> records) {
    if (records.size() == 1) {
        const VideoItem &record = records.front();
        auto panel = toolkit->chooseSaveLocation(
            SavePanelRequest{downloadFileName(record.displayName()),
                             {QStringLiteral("video/*"), QStringLiteral("video/mp4"),
                              QStringLiteral("video/quicktime")},
                             true});
        const std::optional<QString> location = co_await panel;
        if (!location || location->isEmpty())
            co_return std::nullopt;
        co_return std::optional<DownloadTargets>(DownloadTargets{{record, *location}});
    }
    auto panel =
        toolkit->chooseFolder(QCoreApplication::translate("VideoListViewModel", "Choose Folder"));
    const std::optional<QString> folder = co_await panel;
    if (!folder || folder->isEmpty())
        co_return std::nullopt;
    // Names given to earlier videos of this download count as taken before their files exist.
    QSet<QString> taken;
    DownloadTargets targets;
    targets.reserve(records.size());
    for (const VideoItem &record : records) {
        QString destination =
            uniqueDestination(downloadFileName(record.displayName()), *folder, taken);
        taken.insert(QFileInfo(destination).fileName());
        targets.push_back({record, std::move(destination)});
    }
    co_return std::optional<DownloadTargets>(std::move(targets));
}

QCoro::Task<> VideoListViewModel::downloadAll(Self self, Service service, DownloadTargets targets,
                                              std::stop_token stop) {
    const auto count = std::int64_t(targets.size());
    std::int64_t succeeded = 0;
    std::optional<QString> firstError;
    for (std::int64_t position = 1; position <= count; ++position) {
        if (stop.stop_requested() || !self)
            break;
        self->publish(self->m_status, StatusText::downloadingOne(position, count),
                      &VideoListViewModel::statusChanged);
        const DownloadTarget &target = targets[std::size_t(position - 1)];
        try {
            co_await service->downloadVideo(target.item.localIdentifier(), target.destination);
            ++succeeded;
        } catch (const std::exception &error) {
            if (!firstError)
                firstError = describe(error);
        }
    }
    if (!self)
        co_return;
    if (firstError) {
        self->publish(self->m_errorMessage, *firstError, &VideoListViewModel::errorMessageChanged);
        self->publish(self->m_status, StatusText::downloadedSome(succeeded, count),
                      &VideoListViewModel::statusChanged);
    } else {
        self->publish(self->m_status, StatusText::downloaded(succeeded),
                      &VideoListViewModel::statusChanged);
    }
}

// --- Names and files --------------------------------------------------------------------------

void VideoListViewModel::copyNames(const std::vector<VideoItem> &records) {
    if (records.empty())
        return;
    QStringList names;
    names.reserve(qsizetype(records.size()));
    for (const VideoItem &record : records)
        names.append(copyableName(record.displayName()));
    m_toolkit->setClipboardText(names.join(QLatin1Char('\n')));
    publish(m_status,
            names.size() == 1 ? StatusText::copiedName(names.front())
                              : StatusText::copiedNames(names.size()),
            &VideoListViewModel::statusChanged);
}

void VideoListViewModel::showInPhotos(const VideoItem &record) {
    revealVideo(this, m_service, m_toolkit, record.localIdentifier());
}

// A video without a file on this device has nothing to show, and nothing is said.
QCoro::Task<> VideoListViewModel::revealVideo(Self self, Service service,
                                              std::shared_ptr<DesktopToolkit> toolkit,
                                              QString identifier) {
    QString path;
    try {
        path = co_await service->videoFilePath(identifier);
    } catch (const std::exception &) {
        co_return;
    }
    if (self && !path.isEmpty())
        toolkit->revealFile(path);
}

} // namespace orsenta
