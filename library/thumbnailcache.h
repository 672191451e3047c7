#pragma once
// Recently made thumbnails, bounded both by count and by approximate bytes.

#include "mediaobjects.h"

#include <QCache>
#include <QString>

#include <cstdint>

namespace orsenta {

class ThumbnailCache {
public:
    ThumbnailCache(int countLimit, std::int64_t costLimit);

    ThumbnailPtr object(const QString &key);
    // An entry dearer than the whole budget is not kept.
    void insert(const QString &key, ThumbnailPtr thumbnail, std::int64_t cost);
    int count() const { return int(m_cache.count()); }

private:
    QCache<QString, ThumbnailPtr> m_cache;
    std::int64_t m_minimumCost;
};

} // namespace orsenta
