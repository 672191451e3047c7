// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnailloader.h"

#include "videotablemodel.h"

#include <cmath>
#include <vector>

namespace orsenta {

ThumbnailLoader::ThumbnailLoader(std::shared_ptr<PhotoLibraryService> service,
                                 VideoTableModel *model, QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_model(model) {}

ThumbnailLoader::~ThumbnailLoader() {
    clear();
}

QSize ThumbnailLoader::pixelSize(qreal devicePixelRatio) {
    return QSize(int(std::ceil(frameSize.width() * devicePixelRatio)),
                 int(std::ceil(frameSize.height() * devicePixelRatio)));
}

void ThumbnailLoader::clear() {
    for (std::stop_source &stop : m_pending)
        stop.request_stop();
    m_pending.clear();
    m_loaded.clear();
}

QImage ThumbnailLoader::image(const VideoItem &record) const {
    const auto found = m_loaded.constFind(record.localIdentifier());
    return found == m_loaded.cend() ? QImage() : found->image;
}

qreal ThumbnailLoader::opacity(const VideoItem &record) const {
    const auto found = m_loaded.constFind(record.localIdentifier());
    if (found == m_loaded.cend())
        return 1;
    const auto elapsed = std::chrono::steady_clock::now() - found->arrival;
    return std::min(1.0, std::chrono::duration<double>(elapsed) / fadeDuration);
}

void ThumbnailLoader::setVisibleRows(int first, int last, qreal devicePixelRatio) {
    if (!m_model || !m_service)
        return;
    const QSize size = pixelSize(devicePixelRatio);
    if (size != m_pixelSize) {
        clear();
        m_pixelSize = size;
    }
    // Rows a screenful either side: their images stay, so that scrolling back and forth does
    // not flicker. Looking only at them keeps this cheap however long the list is.
    const int rowCount = m_model->rowCount();
    const int margin = std::max(0, last - first + 1);
    QHash<QString, int> nearby;
    if (first >= 0)
        for (int row = std::max(0, first - margin); row <= std::min(rowCount - 1, last + margin);
             ++row)
            nearby.insert(m_model->item(row).localIdentifier(), row);

    std::vector<QString> cancelled;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        const int row = nearby.value(it.key(), -1);
        if (row < 0 || row < first || row > last)
            cancelled.push_back(it.key());
    }
    for (const QString &identifier : cancelled)
        m_pending.take(identifier).request_stop();

    std::vector<QString> dropped;
    for (auto it = m_loaded.cbegin(); it != m_loaded.cend(); ++it)
        if (!nearby.contains(it.key()))
            dropped.push_back(it.key());
    for (const QString &identifier : dropped)
        m_loaded.remove(identifier);

    m_starting = true;
    for (int row = std::max(first, 0); row <= last && row < rowCount; ++row) {
        const QString identifier = m_model->item(row).localIdentifier();
        if (!m_loaded.contains(identifier) && !m_pending.contains(identifier))
            start(identifier);
    }
    m_starting = false;
}

void ThumbnailLoader::start(const QString &identifier) {
    std::stop_source stop;
    m_pending.insert(identifier, stop);
    load(this, m_service, identifier, QSizeF(m_pixelSize), stop.get_token());
}

QCoro::Task<> ThumbnailLoader::load(QPointer<ThumbnailLoader> self,
                                    std::shared_ptr<PhotoLibraryService> service,
                                    QString identifier, QSizeF pixels, std::stop_token stop) {
    ThumbnailPtr thumbnail;
    try {
        thumbnail = co_await service->thumbnail(identifier, pixels, stop);
    } catch (...) {
        // A thumbnail that cannot be had leaves the placeholder; nothing is reported.
    }
    if (!self || stop.stop_requested())
        co_return;
    self->finish(identifier, stop, std::move(thumbnail));
}

void ThumbnailLoader::finish(const QString &identifier, const std::stop_token &token,
                             ThumbnailPtr thumbnail) {
    const auto found = m_pending.constFind(identifier);
    // Only the load the row is still waiting for may land.
    if (found == m_pending.cend() || found->get_token() != token)
        return;
    m_pending.erase(found);
    const auto arrival =
        m_starting ? std::chrono::steady_clock::time_point{} : std::chrono::steady_clock::now();
    // A load without an image is remembered too, so that it is not asked for again.
    m_loaded.insert(identifier, Loaded{thumbnail ? thumbnail->image() : QImage(), arrival});
    if (!m_starting)
        Q_EMIT imageArrived(identifier);
}

} // namespace orsenta
