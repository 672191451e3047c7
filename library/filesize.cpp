// SPDX-License-Identifier: GPL-3.0-or-later
#include "filesize.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

namespace orsenta {

SizeState fileURLSize(const QString &path) {
    struct statx info {};
    const QByteArray encoded = QFile::encodeName(path);
    if (statx(AT_FDCWD, encoded.constData(), AT_STATX_SYNC_AS_STAT,
              STATX_BLOCKS | STATX_SIZE | STATX_TYPE, &info)
        == 0) {
        if ((info.stx_mask & STATX_BLOCKS) && info.stx_blocks >= 1)
            return SizeState::known(std::int64_t(info.stx_blocks) * 512, SizeSource::allocatedSize);
        if ((info.stx_mask & STATX_SIZE) && info.stx_size > 0)
            return SizeState::known(std::int64_t(info.stx_size), SizeSource::logicalFileSize);
        // An empty file is known to hold nothing; only a regular file can say so, since a
        // folder or device reports 0 for what it does not measure.
        if ((info.stx_mask & STATX_SIZE) && (info.stx_mask & STATX_TYPE) && S_ISREG(info.stx_mode))
            return SizeState::known(0, SizeSource::logicalFileSize);
    }
    const QFileInfo attributes(path);
    if (attributes.exists() && attributes.size() >= 1)
        return SizeState::known(attributes.size(), SizeSource::fileAttributes);
    return SizeState::unavailable();
}

} // namespace orsenta
