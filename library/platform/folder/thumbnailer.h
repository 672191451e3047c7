// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Thumbnails of the folder library's videos: from the desktop's thumbnail cache when it holds a
// large enough one made from the file as it is, else decoded in a small pool of orsenta-probe
// helpers and written to that cache. Cached pictures have the standard's sizes (the whole frame
// within a square); the size a caller asks for is cut from them.

#include "desktopthumbnails.h"
#include "library/platform/platformtypes.h"

#include <QImage>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace orsenta::platform {

class MediaProbe;

class Thumbnailer {
public:
    explicit Thumbnailer(const QString &helperPath, int helpers = 2, QString cacheRoot = {});
    ~Thumbnailer();

    struct Video {
        QByteArray path;
        std::int64_t modifiedNs = 0;
        std::int64_t size = 0;
        std::int64_t pixelWidth = 0; // as displayed; 0 when unknown
        std::int64_t pixelHeight = 0;
    };
    // Called with a degraded picture first (only when `degradedFirst` and the cache holds a
    // smaller one), then once with the final picture, or with none and the reason.
    using Delivery = std::function<void(std::optional<QImage> image, bool degraded, QString error)>;

    // Blocks until the final picture is delivered; safe on any thread.
    void make(const Video &video, int width, int height, ContentMode mode, bool degradedFirst,
              const Delivery &deliver);

    const DesktopThumbnails &cache() const { return m_cache; }

    // The middle of `image` cut to the shape of width x height and scaled to exactly that size.
    static QImage filled(const QImage &image, int width, int height);
    // `image` scaled to fit within width x height, keeping its shape.
    static QImage fitted(const QImage &image, int width, int height);

private:
    MediaProbe &acquire();
    void release(MediaProbe &probe);

    DesktopThumbnails m_cache;
    std::vector<std::unique_ptr<MediaProbe>> m_helpers;
    std::mutex m_lock;
    std::condition_variable m_freed;
    std::vector<MediaProbe *> m_idle;
};

} // namespace orsenta::platform
