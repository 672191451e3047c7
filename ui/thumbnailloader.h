// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Thumbnails for the rows on screen. Each load is keyed by the identifier it asked for, so an
// image can only ever be shown for that record; a row that scrolls away cancels its load, and a
// new row set forgets everything (the service's cache answers again at once for what it holds).

#include "library/photolibraryservice.h"
#include "model/videoitem.h"

#include <QCoroTask>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <chrono>
#include <memory>
#include <stop_token>

namespace orsenta {

class VideoTableModel;

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    // The thumbnail frame in device-independent pixels.
    static constexpr QSize frameSize{64, 40};
    static constexpr std::chrono::milliseconds fadeDuration{150};

    ThumbnailLoader(std::shared_ptr<PhotoLibraryService> service, VideoTableModel *model,
                    QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    // Rows `first` to `last` are on screen (none when last < first) on a display of this
    // pixel ratio: loads start for them, loads of other rows are cancelled, and images of rows
    // far from them are let go.
    void setVisibleRows(int first, int last, qreal devicePixelRatio);
    // Cancels every load and forgets every image.
    void clear();

    // The image loaded for this record, or a null image.
    QImage image(const VideoItem &record) const;
    // From 0 to 1 while a freshly arrived image fades in.
    qreal opacity(const VideoItem &record) const;
    // ceil(64 × ratio) by ceil(40 × ratio).
    static QSize pixelSize(qreal devicePixelRatio);

    int pendingCount() const { return int(m_pending.size()); }
    bool isPending(const QString &identifier) const { return m_pending.contains(identifier); }

Q_SIGNALS:
    // An image arrived while no paint was under way; the row is repainted through the model.
    void imageArrived(const QString &identifier);

private:
    struct Loaded {
        QImage image;
        std::chrono::steady_clock::time_point arrival;
    };

    void start(const QString &identifier);
    void finish(const QString &identifier, const std::stop_token &token, ThumbnailPtr thumbnail);
    static QCoro::Task<> load(QPointer<ThumbnailLoader> self,
                              std::shared_ptr<PhotoLibraryService> service, QString identifier,
                              QSizeF pixels, std::stop_token stop);

    const std::shared_ptr<PhotoLibraryService> m_service;
    QPointer<VideoTableModel> m_model;
    QSize m_pixelSize = pixelSize(1);
    QHash<QString, std::stop_source> m_pending;
    QHash<QString, Loaded> m_loaded;
    // Loads answered while setVisibleRows runs come from the cache before the paint that asked
    // for them: they need no repaint of their own and no fade.
    bool m_starting = false;
};

} // namespace orsenta
