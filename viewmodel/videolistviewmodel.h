// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The observable state behind the main window: the scanned videos and everything derived from
// them, the user's choices, scan progress, item actions and the status line. It lives on the
// main thread; the views read its state, call its operations and listen to one `…Changed`
// signal per published field, emitted on every assignment of that field.

#include "clock.h"
#include "desktoptoolkit.h"
#include "library/deletionoutcome.h"
#include "library/photolibraryservice.h"
#include "library/platform/photoplatform.h"
#include "librarychangeobserver.h"
#include "model/datebuckets.h"
#include "model/duplicates.h"
#include "model/filters.h"
#include "model/similarvideos.h"
#include "model/sortorder.h"
#include "model/statistics.h"
#include "model/videoitem.h"
#include "statustext.h"

#include <QCoroTask>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace orsenta {

class VideoListViewModel : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t scanBatchSize = 200;
    static constexpr std::chrono::seconds scanRefreshInterval{1};
    static constexpr std::int64_t probeConcurrency = 6;
    // The library reports the application's own changes back; for this long after an action
    // they are not taken for someone else's.
    static constexpr std::chrono::seconds ownChangeQuietPeriod{2};

    // Touches nothing of the library until start().
    VideoListViewModel(std::shared_ptr<platform::PhotoPlatform> platform,
                       std::shared_ptr<DesktopToolkit> toolkit, std::shared_ptr<Clock> clock,
                       QObject *parent = nullptr);
    ~VideoListViewModel() override;

    // Rebuilds what depends on the locale when the application is told it changed.
    bool eventFilter(QObject *watched, QEvent *event) override;

    // --- Published state -------------------------------------------------------------------

    // The filtered and sorted list the table shows.
    const std::vector<VideoItem> &visibleItems() const { return m_visibleItems; }
    // Raised when the table should take visibleItems as a new set of rows rather than an update.
    std::int64_t rowSetIdentity() const { return m_rowSetIdentity; }
    const LibraryStats &stats() const { return m_stats; }
    const SelectionStats &selectionStats() const { return m_selectionStats; }
    VideoSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(VideoSortOrder order);
    // The table's sort descriptors; only the first one orders the list.
    const QList<VideoTableSortComparator> &tableSortOrder() const { return m_tableSortOrder; }
    void setTableSortOrder(QList<VideoTableSortComparator> descriptors);
    SizeFilter sizeFilter() const { return m_sizeFilter; }
    void setSizeFilter(SizeFilter filter);
    const QString &searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    const DateFilter &dateFilter() const { return m_dateFilter; }
    const DuplicateSummary &duplicates() const { return m_duplicates; }
    bool showsDuplicates() const { return m_showsDuplicates; }
    // Groups of similar videos (re-encoded, resized or trimmed copies), as of the last grouping.
    const SimilarSummary &similar() const { return m_similar; }
    // The similar videos are being grouped anew; `similar` is the previous grouping meanwhile.
    bool isGroupingSimilar() const { return m_isGroupingSimilar; }
    bool showsSimilar() const { return m_showsSimilar; }
    // The pass that fingerprints new videos after a scan, for finding similar ones: how many it
    // has read of how many, while it runs.
    const std::optional<platform::FingerprintProgress> &fingerprinting() const {
        return m_fingerprinting;
    }
    const std::vector<DateBucket> &yearBuckets() const { return m_yearBuckets; }
    // The year whose months the sidebar lists.
    std::optional<std::int64_t> expandedYear() const { return m_expandedYear; }
    void setExpandedYear(std::optional<std::int64_t> year);
    const QSet<QString> &selectedIDs() const { return m_selectedIDs; }
    void setSelectedIDs(QSet<QString> identifiers);
    // What the delete confirmation on screen would delete.
    const QSet<QString> &pendingDeletionIDs() const { return m_pendingDeletionIDs; }
    bool isScanning() const { return m_isScanning; }
    bool isPerformingItemAction() const { return m_isPerformingItemAction; }
    // From 0 to 1; none while no count is known.
    std::optional<double> scanProgress() const { return m_scanProgress; }
    std::int64_t scanCompletedCount() const { return m_scanCompletedCount; }
    std::int64_t scanTotalCount() const { return m_scanTotalCount; }
    const StatusText &status() const { return m_status; }
    platform::AuthorizationStatus authorizationStatus() const { return m_authorizationStatus; }
    // The library changed outside the application since the last scan.
    bool hasExternalChanges() const { return m_hasExternalChanges; }
    void setHasExternalChanges(bool changed);
    // The last failure, until the window dismisses it.
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    // What the last scan could not read or remember, for the user; empty when all is well.
    const QString &conditionText() const { return m_conditionText; }
    void setErrorMessage(std::optional<QString> message);
    bool showDeleteConfirmation() const { return m_showDeleteConfirmation; }
    void setShowDeleteConfirmation(bool show);
    // The check for identical copies that follows a scan: how far it has read, while it runs.
    struct CopyCheck {
        std::int64_t groups = 0; // same-size groups being read
        std::int64_t doneBytes = 0;
        std::int64_t totalBytes = 0;
        friend bool operator==(const CopyCheck &, const CopyCheck &) = default;
    };
    const std::optional<CopyCheck> &copyCheck() const { return m_copyCheck; }
    // What of this library waits in the Trash, as of the last scan or move.
    const platform::LibraryTrash &libraryTrash() const { return m_libraryTrash; }
    // The last move to the Trash can be put back.
    bool canUndoDeletion() const { return m_canUndoDeletion; }
    // The video in the preview, set and cleared by the views.
    const std::optional<VideoItem> &previewItem() const { return m_previewItem; }
    void setPreviewItem(std::optional<VideoItem> item);
    // The group of similar videos in the compare view, set and cleared by the views.
    const std::optional<SimilarGroup> &comparedGroup() const { return m_comparedGroup; }
    void setComparedGroup(std::optional<SimilarGroup> group);

    // --- Unpublished state and derived members ---------------------------------------------

    // Every scanned video, newest first.
    const std::vector<VideoItem> &items() const { return m_items; }
    const std::map<std::int64_t, std::vector<DateBucket>> &monthBucketsByYear() const {
        return m_monthBucketsByYear;
    }
    // Shared with the table's cells and the preview, which ask it for media directly.
    const std::shared_ptr<PhotoLibraryService> &service() const { return m_service; }

    bool hasActiveFilters() const;
    // The selected records still in the list, in no particular order.
    std::vector<VideoItem> selectedItems() const;
    // The records of `identifiers`, or of the selection when it is empty, in no particular
    // order; identifiers without a record are skipped.
    std::vector<VideoItem> items(const QSet<QString> &identifiers) const;

    // --- Operations ------------------------------------------------------------------------

    // The window appeared: read access silently, listen to the library, scan.
    void start();
    // The window went away: cancel the scan and the action, stop listening.
    void stop();
    // Refused while a scan or an action runs.
    void startScan();
    // Ends a running scan early, as the toolbar's Stop does; actions and the library watch go on.
    void cancelScan();

    // Sidebar choices.
    void select(const DateFilter &dateFilter, bool showsDuplicates);
    void selectYear(std::int64_t year);
    void showDuplicates();
    // Shows only similar videos, each group's videos together, its keeper first.
    void showSimilar();
    void clearFilters();
    // Shows the duplicates and selects every copy but the one to keep in each group of
    // identical copies among the videos shown; while the copy check runs, once it ends.
    void selectExtraCopies();
    // Reads the same-size videos whose content is unknown, to tell identical copies; the scan
    // starts it when it ends. Stops with the scan's Stop, and before the next scan.
    void checkCopies();
    void cancelCopyCheck();
    // Fingerprints the videos that have no fingerprint yet; the scan starts it when it ends.
    // Stops with the scan's Stop, and before the next scan.
    void fingerprintVideos();
    // The similar groups with an extra copy among the videos shown: what selectExtraSimilar
    // selects from, for the confirmation that says what each group keeps.
    std::vector<SimilarGroup> similarGroupsToThin() const;
    // Shows the similar videos and selects every shown copy but each group's keeper.
    void selectExtraSimilar();
    // Opens the compare view on the similar group of `record`, when it is in one.
    void compareSimilar(const VideoItem &record);

    // Item actions; the library-changing ones are refused while a scan or an action runs.
    void requestDelete(const std::vector<VideoItem> &records);
    void confirmDelete();
    void toggleFavorite(const std::vector<VideoItem> &records);
    void download(const std::vector<VideoItem> &records);
    void copyNames(const std::vector<VideoItem> &records);
    // Shows the video's file in the file manager.
    void showInPhotos(const VideoItem &record);
    // Puts the last move to the Trash back, then scans; refused while a scan or an action runs.
    void undoDeletion();
    // Opens the Trash in the file manager.
    void openTrash();

Q_SIGNALS:
    void visibleItemsChanged();
    void rowSetIdentityChanged();
    void statsChanged();
    void selectionStatsChanged();
    void sortOrderChanged();
    void tableSortOrderChanged();
    void sizeFilterChanged();
    void searchTextChanged();
    void dateFilterChanged();
    void duplicatesChanged();
    void showsDuplicatesChanged();
    void similarChanged();
    void isGroupingSimilarChanged();
    void showsSimilarChanged();
    void fingerprintingChanged();
    void yearBucketsChanged();
    void expandedYearChanged();
    void selectedIDsChanged();
    void pendingDeletionIDsChanged();
    void isScanningChanged();
    void isPerformingItemActionChanged();
    void scanProgressChanged();
    void scanCompletedCountChanged();
    void scanTotalCountChanged();
    void statusChanged();
    void authorizationStatusChanged();
    void hasExternalChangesChanged();
    void errorMessageChanged();
    void conditionTextChanged();
    void showDeleteConfirmationChanged();
    void previewItemChanged();
    void comparedGroupChanged();
    void copyCheckChanged();
    void libraryTrashChanged();
    void canUndoDeletionChanged();

private:
    using Changed = void (VideoListViewModel::*)();
    using Self = QPointer<VideoListViewModel>;
    using Service = std::shared_ptr<PhotoLibraryService>;
    using ItemOperation = std::function<QCoro::Task<>(std::stop_token)>;

    struct DownloadTarget {
        VideoItem item;
        QString destination;
    };
    using DownloadTargets = std::vector<DownloadTarget>;

    template <typename T, typename U>
    void publish(T &field, U &&value, Changed changed) {
        field = std::forward<U>(value);
        Q_EMIT(this->*changed)();
    }
    template <typename T>
    void publishIfDifferent(T &field, T value, Changed changed) {
        if (!(field == value))
            publish(field, std::move(value), changed);
    }

    // Visible list.
    void setItems(std::vector<VideoItem> items);
    void updateLibraryStats();
    bool rebuildDateBuckets();
    bool updateDuplicates();
    void chooseView(const DateFilter &dateFilter, bool showsDuplicates, bool showsSimilar);
    void recomputeVisibleItems(bool resetRows);
    void applyVisibleItems(std::vector<VideoItem> items, bool resetRows);
    void followSortOrder(VideoSortOrder old);
    void followTableSortOrder(const QList<VideoTableSortComparator> &old);
    void followLocale();
    const QHash<QString, VideoItem> &itemsByID() const;

    // Scan.
    static QCoro::Task<> scanTask(Self self, Service service, std::stop_token stop);
    static QCoro::Task<> runScan(Self self, Service service, std::stop_token stop);
    void logScanTimings(const ScanTimings &timings) const;

    // Selection and actions.
    void updateSelectionStats();
    bool refusesItemActions() const;
    void performItemAction(StatusText status, ItemOperation operation);
    static QCoro::Task<> runItemAction(Self self, ItemOperation operation, std::stop_token stop);
    static QCoro::Task<> deleteVideos(Self self, Service service, QStringList identifiers);
    void applyDeletion(const DeletionOutcome &outcome);
    static QCoro::Task<> setFavorite(Self self, Service service, QStringList identifiers,
                                     bool isFavorite);
    static QCoro::Task<> startDownload(Self self, std::shared_ptr<DesktopToolkit> toolkit,
                                       std::vector<VideoItem> records);
    static QCoro::Task<std::optional<DownloadTargets>>
    chooseDownloadTargets(std::shared_ptr<DesktopToolkit> toolkit, std::vector<VideoItem> records);
    static QCoro::Task<> downloadAll(Self self, Service service, DownloadTargets targets,
                                     std::stop_token stop);
    static QCoro::Task<> revealVideo(Self self, Service service,
                                     std::shared_ptr<DesktopToolkit> toolkit, QString identifier);

    // Identical copies and the Trash.
    static QCoro::Task<> runCopyCheck(Self self, Service service, std::vector<QStringList> groups,
                                      std::stop_token stop);
    std::function<void(platform::ContentCheckProgress)> copyCheckReporter(std::int64_t groupCount);
    void applyContentDigests(const platform::ContentDigests &digests);
    static QCoro::Task<> refreshTrash(Self self, Service service);
    static QCoro::Task<> restoreDeletion(Self self, Service service);

    // Similar videos.
    void groupSimilar();
    static QCoro::Task<> runSimilarGrouping(Self self, QFuture<SimilarSummary> grouping,
                                            std::uint64_t run);
    void applySimilar(SimilarSummary summary);
    static QCoro::Task<> runFingerprinting(Self self, Service service, QStringList identifiers,
                                           std::stop_token stop);
    std::function<void(platform::FingerprintProgress)> fingerprintReporter();
    void applyFingerprints(const platform::VideoFingerprints &fingerprints);

    // Outside changes.
    void handleLibraryChange();
    static QCoro::Task<> dropVanishedVideos(Self self, Service service);

    // Collaborators.
    const std::shared_ptr<platform::PhotoPlatform> m_platform;
    const std::shared_ptr<DesktopToolkit> m_toolkit;
    const std::shared_ptr<Clock> m_clock;
    const std::shared_ptr<PhotoLibraryService> m_service;

    // Published.
    std::vector<VideoItem> m_visibleItems;
    std::int64_t m_rowSetIdentity = 0;
    LibraryStats m_stats;
    SelectionStats m_selectionStats;
    VideoSortOrder m_sortOrder = VideoSortOrder::sizeDesc;
    QList<VideoTableSortComparator> m_tableSortOrder{tableComparator(VideoSortOrder::sizeDesc)};
    SizeFilter m_sizeFilter = SizeFilter::none;
    QString m_searchText;
    DateFilter m_dateFilter = DateFilter::all();
    DuplicateSummary m_duplicates;
    bool m_showsDuplicates = false;
    SimilarSummary m_similar;
    bool m_isGroupingSimilar = false;
    bool m_showsSimilar = false;
    std::optional<platform::FingerprintProgress> m_fingerprinting;
    std::vector<DateBucket> m_yearBuckets;
    std::optional<std::int64_t> m_expandedYear;
    QSet<QString> m_selectedIDs;
    QSet<QString> m_pendingDeletionIDs;
    bool m_isScanning = false;
    bool m_isPerformingItemAction = false;
    std::optional<double> m_scanProgress;
    std::int64_t m_scanCompletedCount = 0;
    std::int64_t m_scanTotalCount = 0;
    StatusText m_status{StatusText::Key::readyToScan};
    platform::AuthorizationStatus m_authorizationStatus =
        platform::AuthorizationStatus::notDetermined;
    bool m_hasExternalChanges = false;
    std::optional<QString> m_errorMessage;
    QString m_conditionText;
    bool m_showDeleteConfirmation = false;
    std::optional<VideoItem> m_previewItem;
    std::optional<SimilarGroup> m_comparedGroup;
    std::optional<CopyCheck> m_copyCheck;
    platform::LibraryTrash m_libraryTrash;
    bool m_canUndoDeletion = false;

    // Unpublished.
    std::vector<VideoItem> m_items;
    // Built from m_items when first asked for after a change: most replacements of the list
    // (scan refreshes above all) happen with nothing selected, when no one looks records up.
    mutable QHash<QString, VideoItem> m_itemsByID;
    mutable bool m_itemsByIDStale = false;
    // The locale m_items' search keys were folded in. Records a running scan built before a
    // change of locale reach setItems with the old keys, so until it ends they are rebuilt.
    QLocale m_keysLocale;
    bool m_localeChangedDuringScan = false;
    std::map<std::int64_t, std::vector<DateBucket>> m_monthBucketsByYear;
    std::optional<std::stop_source> m_scanTask;
    std::optional<std::stop_source> m_actionTask;
    std::optional<std::stop_source> m_copyCheckTask;
    std::optional<std::stop_source> m_fingerprintTask;
    // Asked for while the stopped check or pass was still finishing the file it was reading:
    // started again as soon as that one ends.
    bool m_copyCheckAgain = false;
    bool m_fingerprintAgain = false;
    std::uint64_t m_trashRefreshes = 0;
    // Counts the groupings of similar videos started: only the latest one's answer is taken.
    std::uint64_t m_similarGroupings = 0;
    // An alert that would be cleared by the scan about to start: shown when it ends.
    std::optional<QString> m_alertAfterScan;
    // Select Extra Copies was asked for while the copy check ran.
    bool m_selectExtrasWhenChecked = false;
    std::shared_ptr<LibraryChangeObserver> m_changeObserver;
    platform::ObserverId m_changeObserverId = 0;
    Clock::TimePoint m_suppressChangesUntil = Clock::TimePoint::min();
    Clock::Duration m_uiApplyTime{};
    Clock::Duration m_scanWallClock{};
};

} // namespace orsenta
