// SPDX-License-Identifier: GPL-3.0-or-later
#include "filespace.h"

#include <algorithm>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <vector>

namespace orsenta::platform {

bool canShareExtents(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case OCFS2_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

std::int64_t sharedBytes(int fd) {
    constexpr unsigned batch = 64;
    std::vector<char> buffer(sizeof(struct fiemap) + batch * sizeof(struct fiemap_extent));
    auto *map = reinterpret_cast<struct fiemap *>(buffer.data());
    std::int64_t shared = 0;
    std::uint64_t start = 0;
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = batch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0)
            return 0;
        if (map->fm_mapped_extents == 0)
            return shared;
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const struct fiemap_extent &extent = map->fm_extents[i];
            if (extent.fe_flags & FIEMAP_EXTENT_SHARED)
                shared += std::int64_t(extent.fe_length);
            if (extent.fe_flags & FIEMAP_EXTENT_LAST)
                return shared;
            start = extent.fe_logical + extent.fe_length;
        }
    }
}

std::int64_t freedBytes(const FileStat &stat, std::int64_t pathsInLibrary) {
    if (std::int64_t(stat.linkCount) > pathsInLibrary)
        return 0;
    return std::clamp<std::int64_t>(stat.allocated - stat.sharedBytes, 0, stat.allocated);
}

} // namespace orsenta::platform
