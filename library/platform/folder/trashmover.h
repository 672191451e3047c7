// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moves videos to the freedesktop.org Trash of their own mount with GIO, so that any file
// manager can restore them. A file is moved only while it is still the file the scan saw, only
// when its Trash can record where it came from, and it is believed gone only once that record is
// there; otherwise it is put back. There is no fallback to deleting, whatever GIO says.

#include "directorywalk.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace orsenta::platform {

enum class TrashFailure {
    none,
    notIndexed,    // the library no longer knows the video
    vanished,      // nothing is at its path any more
    changed,       // another file, or the same one written, renamed or replaced by a link
    noTrash,       // its mount has no Trash that may be used
    trashUnusable, // the Trash is there but cannot take it; the detail says why
    permission,    // its own folder cannot be changed; the detail says why when known
    nameTooLong,   // no room for the Trash's record of its name
    notRestorable, // the Trash did not record where it came from; it was put back
    stranded,      // it left its folder but could not be checked or put back; the detail says where
    stillThere,    // the move was reported but the file did not go
    other,
};

struct TrashAttempt {
    bool moved = false;
    TrashFailure failure = TrashFailure::none;
    QString detail; // what GIO or the file system said, for failures it explains
    // Where a moved file now is: its entry in the Trash's files folder and the record of where
    // it came from, both checked after the move.
    QByteArray trashedFile;
    QByteArray trashInfo;
};

// Whether `now` is still the file the scan recorded as `scanned`: same device, inode, size,
// change time (which any write, rename, link or permission change moves) and birth time.
bool unchangedSinceScan(const FileStat &now, const FileStat &scanned);

// Moves the file at `path` (raw bytes; a final symbolic link is moved itself, never followed)
// after checking it against `scanned`. Safe to call from any thread.
TrashAttempt moveToTrash(const QByteArray &path, const FileStat &scanned);

struct TrashItem {
    QString id;
    QByteArray path; // empty when the library no longer knows the video
    FileStat scanned{};
};

// A file a batch moved, where it came from and where it now is.
struct TrashedFile {
    QString id;
    QByteArray original;
    QByteArray file; // in the Trash's files folder
    QByteArray info; // its .trashinfo
    FileStat stat;   // the file as it is in the Trash
};

struct TrashBatch {
    QStringList moved; // in request order
    // One line for each video that stayed, in request order: its name and why. Control
    // characters in names are shown as U+FFFD, so that the lines split on '\n'.
    QString error;
    std::vector<TrashedFile> trashed; // the files that moved, with where each went
};

// One change's deletions, each checked just before its own move.
TrashBatch moveAllToTrash(const std::vector<TrashItem> &items);

// The line that says why the file `name` (raw bytes) stayed, as TrashBatch::error has them.
QString stayedLine(const QByteArray &name, const QString &reason);

// The top of the mount that holds `folder`, resolved; empty when it cannot be told.
QByteArray mountTop(const QByteArray &folder);

// Where the Trash record at `record` says its file came from: its path as written, or joined to
// `top` when it is relative, as the Trash of a mount writes it (the home Trash has no top, and
// such a path means nothing there). Empty when the record cannot be read or names no path.
QByteArray recordedOrigin(const QByteArray &record, const QByteArray &top);

// Moves `from` to `to`, never over a file that has that name: false, with errno, otherwise.
bool moveWithoutReplacing(const QByteArray &from, const QByteArray &to);

} // namespace orsenta::platform
