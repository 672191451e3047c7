// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exports a video to a new file the user chose, without ever replacing a file that is there and
// without leaving a partial copy behind: the data goes to a temporary name in the destination
// folder, is flushed, and only then takes the chosen name, which must still be free.

#include "directorywalk.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace orsenta::platform {

enum class CopyFailure {
    none,
    sourceMissing,
    sourceNotRegular, // a folder, a device, a pipe, or a symbolic link (never followed)
    sourceChanged,    // not the indexed file, or written to during the copy
    sourceUnreadable,
    destinationExists,
    destinationFolderMissing,
    destinationInvalid, // an empty name, "." or ".."
    permission,
    noSpace,
    tooLarge, // larger than the destination's file system or the process may write
    writeFailed,
};

struct CopyResult {
    CopyFailure failure = CopyFailure::none;
    QString message; // for the user; empty on success
    bool ok() const { return failure == CopyFailure::none; }
};

// Copies the regular file at `source` to a new file at `destination` (raw paths). When
// `expected` is given, the source must be that file (same device and inode). The source is
// only ever read. Blocks until the data and the new name are on disk; safe on any thread.
// `beforeRename`, for tests, runs once the copy is flushed and before it takes its name.
CopyResult copyToNewFile(const QByteArray &source, const QByteArray &destination,
                         const FileStat *expected = nullptr,
                         const std::function<void()> &beforeRename = {});

} // namespace orsenta::platform
