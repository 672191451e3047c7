// SPDX-License-Identifier: GPL-3.0-or-later
#include "videolistviewmodel.h"

#include <QCoreApplication>

#include <algorithm>

namespace orsenta {

namespace {

// Spaces and tabs, but not line breaks: a search for a line break alone is a search.
bool isBlank(QChar c) {
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

VideoListViewModel::VideoListViewModel(std::shared_ptr<platform::PhotoPlatform> platform,
                                       std::shared_ptr<DesktopToolkit> toolkit,
                                       std::shared_ptr<Clock> clock, QObject *parent)
    : QObject(parent)
    , m_platform(std::move(platform))
    , m_toolkit(std::move(toolkit))
    , m_clock(std::move(clock))
    , m_service(PhotoLibraryService::create(m_platform)) {
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installEventFilter(this);
    connect(this, &VideoListViewModel::isScanningChanged, this, [this] {
        if (!m_isScanning)
            m_localeChangedDuringScan = false;
    });
}

// A view model that goes away without stop() would otherwise leave its observer registered and
// its scan probing for no one.
VideoListViewModel::~VideoListViewModel() {
    stop();
}

bool VideoListViewModel::eventFilter(QObject *watched, QEvent *event) {
    // The search keys follow in followLocale(); the list is republished even when they did not
    // change, so that the table writes its sizes and dates again.
    if (event->type() == QEvent::LocaleChange && watched == QCoreApplication::instance())
        recomputeVisibleItems(true);
    return QObject::eventFilter(watched, event);
}

// --- Lifecycle --------------------------------------------------------------------------------

void VideoListViewModel::start() {
    if (m_changeObserver)
        return;
    publish(m_authorizationStatus, m_service->authorizationStatus(),
            &VideoListViewModel::authorizationStatusChanged);

    const Self self(this);
    m_changeObserver = std::make_shared<LibraryChangeObserver>([self] {
        // On the platform's thread: only hand over to the main thread, where `self` is safe to
        // look at. A notice still on its way after stop() finds no observer and is dropped.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self && self->m_changeObserver)
                    self->handleLibraryChange();
            },
            Qt::QueuedConnection);
    });
    m_changeObserverId = m_platform->registerChangeObserver(
        [observer = m_changeObserver] { observer->photoLibraryDidChange(); });
    startScan();
}

void VideoListViewModel::stop() {
    // The tasks clear their own flags when they end, so that nothing starts in between.
    if (m_scanTask) {
        m_scanTask->request_stop();
        m_scanTask.reset();
    }
    if (m_actionTask) {
        m_actionTask->request_stop();
        m_actionTask.reset();
    }
    cancelCopyCheck();
    if (m_changeObserver) {
        m_platform->unregisterChangeObserver(m_changeObserverId);
        m_changeObserver.reset();
    }
}

void VideoListViewModel::cancelScan() {
    // The scan task clears its own flag and handle when it ends.
    if (m_isScanning && m_scanTask)
        m_scanTask->request_stop();
    cancelCopyCheck();
}

// --- Fields the views assign directly ---------------------------------------------------------

void VideoListViewModel::setExpandedYear(std::optional<std::int64_t> year) {
    publish(m_expandedYear, year, &VideoListViewModel::expandedYearChanged);
}

void VideoListViewModel::setHasExternalChanges(bool changed) {
    publish(m_hasExternalChanges, changed, &VideoListViewModel::hasExternalChangesChanged);
}

void VideoListViewModel::setErrorMessage(std::optional<QString> message) {
    publish(m_errorMessage, std::move(message), &VideoListViewModel::errorMessageChanged);
}

void VideoListViewModel::setShowDeleteConfirmation(bool show) {
    publish(m_showDeleteConfirmation, show, &VideoListViewModel::showDeleteConfirmationChanged);
}

void VideoListViewModel::setPreviewItem(std::optional<VideoItem> item) {
    publish(m_previewItem, std::move(item), &VideoListViewModel::previewItemChanged);
}

// --- Derived members --------------------------------------------------------------------------

bool VideoListViewModel::hasActiveFilters() const {
    if (m_sizeFilter != SizeFilter::none || !m_dateFilter.isAll() || m_showsDuplicates
        || m_showsSimilar)
        return true;
    return !std::all_of(m_searchText.cbegin(), m_searchText.cend(), isBlank);
}

std::vector<VideoItem> VideoListViewModel::selectedItems() const {
    return items(m_selectedIDs);
}

std::vector<VideoItem> VideoListViewModel::items(const QSet<QString> &identifiers) const {
    const QSet<QString> &wanted = identifiers.isEmpty() ? m_selectedIDs : identifiers;
    std::vector<VideoItem> found;
    if (wanted.isEmpty())
        return found;
    const QHash<QString, VideoItem> &byID = itemsByID();
    found.reserve(std::size_t(wanted.size()));
    for (const QString &identifier : wanted) {
        const auto it = byID.constFind(identifier);
        if (it != byID.cend())
            found.push_back(*it);
    }
    return found;
}

const QHash<QString, VideoItem> &VideoListViewModel::itemsByID() const {
    if (m_itemsByIDStale) {
        m_itemsByID.clear();
        m_itemsByID.reserve(qsizetype(m_items.size()));
        // insert() replaces: of two records with one identifier, the later one stays.
        for (const VideoItem &item : m_items)
            m_itemsByID.insert(item.localIdentifier(), item);
        m_itemsByIDStale = false;
    }
    return m_itemsByID;
}

} // namespace orsenta
