// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnailer.h"

#include "mediaprobe.h"

#include <algorithm>
#include <cmath>

namespace orsenta::platform {

namespace {

// The longest side the whole frame needs so that the requested picture can be cut from it
// without enlarging; for an unknown shape, room for anything up to 2:1.
int neededSide(int width, int height, ContentMode mode, std::int64_t pixelWidth,
               std::int64_t pixelHeight) {
    if (pixelWidth <= 0 || pixelHeight <= 0)
        return std::max(width, height) * (mode == ContentMode::aspectFill ? 2 : 1);
    const double w = double(pixelWidth);
    const double h = double(pixelHeight);
    const double scale = mode == ContentMode::aspectFill ? std::max(width / w, height / h)
                                                         : std::min(width / w, height / h);
    return int(std::ceil(std::max(w, h) * scale - 1e-6));
}

// Whether a cached picture holds enough pixels: as many as needed, or the whole video when the
// video itself is smaller.
bool largeEnough(const QImage &image, int needed, std::int64_t pixelWidth,
                 std::int64_t pixelHeight) {
    const int longest = std::max(image.width(), image.height());
    return longest >= needed
           || (pixelWidth > 0 && image.width() == pixelWidth && image.height() == pixelHeight);
}

QImage toImage(const GrabbedFrame &frame) {
    const QImage view(reinterpret_cast<const uchar *>(frame.pixels.constData()), frame.width,
                      frame.height, frame.width * 3, QImage::Format_RGB888);
    return view.copy(); // the pixels belong to the frame
}

} // namespace

Thumbnailer::Thumbnailer(const QString &helperPath, int helpers, QString cacheRoot)
    : m_cache(std::move(cacheRoot)) {
    for (int i = 0; i < std::max(helpers, 1); ++i) {
        m_helpers.push_back(std::make_unique<MediaProbe>(helperPath));
        m_idle.push_back(m_helpers.back().get());
    }
}

Thumbnailer::~Thumbnailer() = default;

MediaProbe &Thumbnailer::acquire() {
    std::unique_lock lock(m_lock);
    m_freed.wait(lock, [&] { return !m_idle.empty(); });
    MediaProbe *probe = m_idle.back();
    m_idle.pop_back();
    return *probe;
}

void Thumbnailer::release(MediaProbe &probe) {
    {
        std::lock_guard lock(m_lock);
        m_idle.push_back(&probe);
    }
    m_freed.notify_one();
}

QImage Thumbnailer::filled(const QImage &image, int width, int height) {
    if (image.isNull() || width < 1 || height < 1)
        return {};
    const double wanted = double(width) / height;
    QRect cut = image.rect();
    if (double(image.width()) / image.height() > wanted) {
        const int keep = std::max(1, int(std::lround(image.height() * wanted)));
        cut = QRect((image.width() - keep) / 2, 0, keep, image.height());
    } else {
        const int keep = std::max(1, int(std::lround(image.width() / wanted)));
        cut = QRect(0, (image.height() - keep) / 2, image.width(), keep);
    }
    return image.copy(cut).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage Thumbnailer::fitted(const QImage &image, int width, int height) {
    if (image.isNull() || width < 1 || height < 1)
        return {};
    return image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void Thumbnailer::make(const Video &video, int width, int height, ContentMode mode,
                       bool degradedFirst, const Delivery &deliver) {
    const auto shaped = [&](const QImage &image) {
        return mode == ContentMode::aspectFill ? filled(image, width, height)
                                               : fitted(image, width, height);
    };
    // The standard keeps whole seconds.
    const std::int64_t modified = video.modifiedNs >= 0
                                      ? video.modifiedNs / 1'000'000'000
                                      : -((-video.modifiedNs + 999'999'999) / 1'000'000'000);
    const int needed = neededSide(width, height, mode, video.pixelWidth, video.pixelHeight);
    const auto side = std::find_if(DesktopThumbnails::sides.begin(), DesktopThumbnails::sides.end(),
                                   [&](int s) { return s >= needed; });

    for (auto s = side; s != DesktopThumbnails::sides.end(); ++s) {
        const QImage cached = m_cache.find(video.path, modified, *s);
        if (!cached.isNull() && largeEnough(cached, needed, video.pixelWidth, video.pixelHeight)) {
            deliver(shaped(cached), false, {});
            return;
        }
    }
    if (degradedFirst) {
        for (auto s = std::make_reverse_iterator(side); s != DesktopThumbnails::sides.rend(); ++s) {
            const QImage cached = m_cache.find(video.path, modified, *s);
            if (!cached.isNull()) {
                deliver(shaped(cached), true, {});
                break;
            }
        }
    }

    // Larger than the cache's largest size: made for this request alone.
    const bool cacheable = side != DesktopThumbnails::sides.end();
    MediaProbe &helper = acquire();
    const GrabbedFrame frame =
        cacheable
            ? helper.thumbnail(video.path, *side, *side, FrameFit::within)
            : helper.thumbnail(video.path, width, height,
                               mode == ContentMode::aspectFill ? FrameFit::fill : FrameFit::within);
    release(helper);
    if (frame.isNull()) {
        deliver(std::nullopt, false, frame.error);
        return;
    }
    const QImage picture = toImage(frame);
    if (!cacheable) {
        deliver(picture, false, {});
        return;
    }
    // Stored before it is delivered, so that whoever asks next finds it.
    m_cache.store(video.path, modified, video.size, picture, *side);
    deliver(shaped(picture), false, {});
}

} // namespace orsenta::platform
