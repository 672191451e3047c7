// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recently made thumbnails, bounded both by count and by approximate bytes. Safe to use from
// any thread, so that a hit needs no trip to the service's actor.

#include "mediaobjects.h"

#include <QCache>
#include <QString>

#include <cstdint>
#include <mutex>

namespace orsenta {

class ThumbnailCache {
public:
    ThumbnailCache(int countLimit, std::int64_t costLimit);

    ThumbnailPtr object(const QString &key);
    // An entry dearer than the whole budget is not kept.
    void insert(const QString &key, ThumbnailPtr thumbnail, std::int64_t cost);
    int count() const;

private:
    mutable std::mutex m_lock;
    QCache<QString, ThumbnailPtr> m_cache;
    std::int64_t m_minimumCost;
};

} // namespace orsenta
