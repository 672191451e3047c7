// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnailcache.h"

#include <algorithm>

namespace orsenta {

// QCache bounds only the total cost. Charging every entry at least budget ÷ countLimit bounds the
// count as well: no more than countLimit entries fit, and real costs still add up to at most the
// budget.
ThumbnailCache::ThumbnailCache(int countLimit, std::int64_t costLimit)
    : m_minimumCost(std::max<std::int64_t>(1, costLimit / std::max(1, countLimit))) {
    m_cache.setMaxCost(qsizetype(costLimit));
}

ThumbnailPtr ThumbnailCache::object(const QString &key) {
    std::lock_guard lock(m_lock);
    const ThumbnailPtr *found = m_cache.object(key);
    return found ? *found : nullptr;
}

void ThumbnailCache::insert(const QString &key, ThumbnailPtr thumbnail, std::int64_t cost) {
    std::lock_guard lock(m_lock);
    m_cache.insert(key, new ThumbnailPtr(std::move(thumbnail)),
                   qsizetype(std::max(cost, m_minimumCost)));
}

int ThumbnailCache::count() const {
    std::lock_guard lock(m_lock);
    return int(m_cache.count());
}

} // namespace orsenta
