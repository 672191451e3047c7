// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One pass over the library's folders: every video file with the file system's figures for it.

#include "libraryroots.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <vector>

namespace orsenta::platform {

struct FileStat {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t allocated = 0; // bytes the file occupies on disk
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    std::int64_t bornNs = 0;     // 0 where the file system does not record it
    std::uint32_t linkCount = 1; // hard links to the file, inside the library or not
    // Allocated bytes shared with other files (reflinked copies); measured by the walk, only
    // where the file system can share extents.
    std::int64_t sharedBytes = 0;
};

struct WalkedFile {
    QByteArray path; // raw bytes: any name the file system allows
    FileStat stat;
    QList<QByteArray> links; // the file's other paths in the library (hard links)
};

struct WalkResult {
    // Each file once, however many links or paths reach it, at the first of its paths in byte
    // order.
    std::vector<WalkedFile> files;
    QList<QByteArray> folders;    // every folder walked, for watching
    QList<QByteArray> unreadable; // folders that could not be listed
    QList<QByteArray> missing;    // roots that are not there now (deleted, unmounted)
};

// Walks the roots, and the absent ones that have come back, on `threads` threads without following
// symbolic links, skipping trash and excluded folders, special files (pipes, devices) and names
// that are not videos. Only names that can be videos are stat'ed.
WalkResult walkLibrary(const LibraryRoots &roots, int threads = 2);

// The figures of one file, without following a final symbolic link; false if it is not there.
bool statFile(const QByteArray &path, FileStat &stat, bool *isRegular = nullptr);
// The figures of the open file `fd`; false if they cannot be read.
bool statOpenFile(int fd, FileStat &stat, bool *isRegular = nullptr);

} // namespace orsenta::platform
