// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What deleting a file gives back to its disk once the Trash is emptied: its own blocks, less
// the blocks it shares with reflinked copies, and nothing while links outside the library keep it.

#include "directorywalk.h"

#include <cstdint>

namespace orsenta::platform {

// Whether the file system of the open file or folder `fd` lets files share extents (btrfs, XFS,
// OCFS2): only there is asking which extents are shared worth a system call per file.
bool canShareExtents(int fd);

// Bytes of the open file `fd` that it shares with other files, as FIEMAP reports them; 0 when
// the file system cannot say.
std::int64_t sharedBytes(int fd);

// Bytes freed by deleting every one of `pathsInLibrary` paths of the file `stat` describes.
std::int64_t freedBytes(const FileStat &stat, std::int64_t pathsInLibrary);

} // namespace orsenta::platform
