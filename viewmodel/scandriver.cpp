// SPDX-License-Identifier: GPL-3.0-or-later
// The scan: access, count, batches with their size probes, progress, paced refreshes of the
// visible list, and the timing summary in the log.

#include "conditiontext.h"
#include "videolistviewmodel.h"

#include <QLoggingCategory>

namespace orsenta {

Q_LOGGING_CATEGORY(lcScan, "orsenta.scan", QtInfoMsg)

namespace {

using platform::AuthorizationStatus;

struct ScanError {
    QString description;
    // The scan had been asked to stop: it ends as cancelled, not failed. A library error that
    // merely carries the user-cancel code, unasked, is a failure like any other.
    bool cancellation = false;
};

} // namespace

void VideoListViewModel::startScan() {
    if (m_isScanning || m_isPerformingItemAction)
        return;
    publish(m_isScanning, true, &VideoListViewModel::isScanningChanged);
    publish(m_hasExternalChanges, false, &VideoListViewModel::hasExternalChangesChanged);
    publish(m_scanProgress, std::nullopt, &VideoListViewModel::scanProgressChanged);
    publish(m_scanCompletedCount, 0, &VideoListViewModel::scanCompletedCountChanged);
    publish(m_scanTotalCount, 0, &VideoListViewModel::scanTotalCountChanged);
    setItems({});
    setSelectedIDs({});
    publish(m_errorMessage, std::nullopt, &VideoListViewModel::errorMessageChanged);
    publish(m_status, StatusText(StatusText::Key::requestingAccess),
            &VideoListViewModel::statusChanged);
    cancelCopyCheck();
    m_scanTask.emplace();
    scanTask(this, m_service, m_scanTask->get_token());
}

QCoro::Task<> VideoListViewModel::scanTask(Self self, Service service, std::stop_token stop) {
    try {
        auto scan = runScan(self, std::move(service), stop);
        co_await scan;
    } catch (...) {
        // runScan reports its failures itself; whatever else escapes must not leave the view
        // model scanning forever.
    }
    if (!self)
        co_return;
    self->publish(self->m_conditionText, libraryConditionText(self->m_service->libraryCondition()),
                  &VideoListViewModel::conditionTextChanged);
    self->publish(self->m_isScanning, false, &VideoListViewModel::isScanningChanged);
    self->publish(self->m_scanProgress, std::nullopt, &VideoListViewModel::scanProgressChanged);
    self->m_scanTask.reset();
    if (auto alert = std::exchange(self->m_alertAfterScan, std::nullopt))
        self->publish(self->m_errorMessage, std::move(alert),
                      &VideoListViewModel::errorMessageChanged);
    refreshTrash(self, self->m_service);
    self->groupSimilar();
    if (!stop.stop_requested()) {
        self->checkCopies();
        self->fingerprintVideos();
    }
}

QCoro::Task<> VideoListViewModel::runScan(Self self, Service service, std::stop_token stop) {
    const AuthorizationStatus access = co_await service->requestAccess();
    if (!self)
        co_return;
    self->publish(self->m_authorizationStatus, access,
                  &VideoListViewModel::authorizationStatusChanged);
    if (access != AuthorizationStatus::authorized && access != AuthorizationStatus::limited) {
        self->publish(self->m_status, StatusText(StatusText::Key::accessRequired),
                      &VideoListViewModel::statusChanged);
        co_return;
    }
    self->m_uiApplyTime = {};
    self->m_scanWallClock = {};
    self->publish(self->m_status, StatusText(StatusText::Key::countingVideos),
                  &VideoListViewModel::statusChanged);
    const std::shared_ptr<Clock> clock = self->m_clock;

    std::optional<ScanError> error;
    std::int64_t total = 0;
    try {
        total = co_await service->beginScan();
    } catch (const PhotoLibraryError &e) {
        error = ScanError{e.errorDescription(), stop.stop_requested()};
    } catch (const std::exception &e) {
        error = ScanError{QString::fromLocal8Bit(e.what()), stop.stop_requested()};
    }
    if (!self)
        co_return;

    std::vector<VideoItem> collected;
    if (!error) {
        self->publish(self->m_scanTotalCount, total, &VideoListViewModel::scanTotalCountChanged);
        if (total < 1) {
            co_await service->finishScan();
            if (!self)
                co_return;
            self->publish(self->m_status, StatusText(StatusText::Key::noVideos),
                          &VideoListViewModel::statusChanged);
            co_return;
        }
        collected.reserve(std::size_t(total));
    }

    auto lastRefresh = clock->now();
    std::int64_t offset = 0;
    while (!error) {
        const auto batchStart = clock->now();
        const auto accountBatch = [&] { self->m_scanWallClock += clock->now() - batchStart; };
        if (stop.stop_requested()) {
            accountBatch();
            break;
        }
        std::vector<VideoItem> batch;
        QHash<QString, SizeState> probed;
        try {
            batch = co_await service->nextScanBatch(offset, scanBatchSize);
            QStringList unknown;
            for (const VideoItem &item : batch) {
                if (item.sizeState().kind() == SizeState::Kind::unavailable)
                    unknown.append(item.localIdentifier());
            }
            if (!unknown.isEmpty())
                probed = co_await service->probeSizes(unknown, probeConcurrency, stop);
        } catch (const PhotoLibraryError &e) {
            error = ScanError{e.errorDescription(), stop.stop_requested()};
        } catch (const std::exception &e) {
            error = ScanError{QString::fromLocal8Bit(e.what()), stop.stop_requested()};
        }
        if (!self)
            co_return;
        if (error) {
            accountBatch();
            collected.clear();
            break;
        }
        // An empty batch ends the scan with what was read, even short of the count.
        if (batch.empty() || stop.stop_requested()) {
            accountBatch();
            break;
        }
        for (VideoItem &item : batch) {
            if (!probed.isEmpty()) {
                const auto size = probed.constFind(item.localIdentifier());
                if (size != probed.cend())
                    item = item.withSizeState(*size);
            }
            collected.push_back(std::move(item));
        }
        const std::int64_t completed = offset + std::int64_t(batch.size());
        self->publish(self->m_scanCompletedCount, completed,
                      &VideoListViewModel::scanCompletedCountChanged);
        self->publish(self->m_scanProgress, double(completed) / double(total),
                      &VideoListViewModel::scanProgressChanged);
        if (clock->now() - lastRefresh >= scanRefreshInterval) {
            const auto applyStart = clock->now();
            self->setItems(collected);
            self->m_uiApplyTime += clock->now() - applyStart;
            lastRefresh = clock->now();
        }
        self->publish(self->m_status, StatusText::loaded(completed, total),
                      &VideoListViewModel::statusChanged);
        accountBatch();
        if (completed >= total)
            break;
        offset = completed;
    }

    if (error) {
        // The service releases its fetch whatever happened; the table keeps the last refresh.
        const ScanTimings timings = co_await service->finishScan();
        if (!self)
            co_return;
        if (error->cancellation) {
            self->logScanTimings(timings);
            self->publish(self->m_status, StatusText(StatusText::Key::scanCancelled),
                          &VideoListViewModel::statusChanged);
        } else {
            self->publish(self->m_errorMessage, error->description,
                          &VideoListViewModel::errorMessageChanged);
            self->publish(self->m_status, StatusText(StatusText::Key::scanFailed),
                          &VideoListViewModel::statusChanged);
        }
        co_return;
    }

    const auto finishStart = clock->now();
    // Equal lengths mean the last refresh already applied every record.
    if (self->m_items.size() != collected.size()) {
        self->setItems(std::move(collected));
        self->m_uiApplyTime += clock->now() - finishStart;
    }
    self->m_scanWallClock += clock->now() - finishStart;
    const ScanTimings timings = co_await service->finishScan();
    if (!self)
        co_return;
    self->logScanTimings(timings);
    const auto count = std::int64_t(self->m_items.size());
    if (stop.stop_requested()) {
        self->publish(self->m_status, StatusText::scanCancelledAt(count, total),
                      &VideoListViewModel::statusChanged);
    } else {
        self->publish(self->m_status,
                      StatusText::scanCompleted(count, count - self->m_stats.unknownSizeCount),
                      &VideoListViewModel::statusChanged);
    }
}

void VideoListViewModel::logScanTimings(const ScanTimings &timings) const {
    qCInfo(lcScan).noquote() << timings.summary(m_uiApplyTime, m_scanWallClock);
}

} // namespace orsenta
