// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What thumbnail and preview requests hand back: shared, immutable, safe to pass across threads.

#include "platform/platformtypes.h"

#include <QImage>

#include <memory>

namespace orsenta {

class ThumbnailImage {
public:
    explicit ThumbnailImage(QImage image)
        : m_image(std::move(image)) {}
    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};
using ThumbnailPtr = std::shared_ptr<const ThumbnailImage>;

// The platform's media for one video, handed from the platform's thread to the caller.
class PreviewAssetBox {
public:
    explicit PreviewAssetBox(platform::MediaAsset asset)
        : m_asset(std::move(asset)) {}
    const platform::MediaAsset &asset() const { return m_asset; }

private:
    platform::MediaAsset m_asset;
};
using PreviewAssetPtr = std::shared_ptr<const PreviewAssetBox>;

} // namespace orsenta
