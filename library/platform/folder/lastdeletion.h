// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The last move to the Trash, kept so that it can be undone in this session or after a restart:
// for each file that went, its index row as it was and where it now is in the Trash. Kept in a
// small file beside the index, replaced whole by each move, and putting it back never replaces
// another file.

#include "library/platform/platformtypes.h"
#include "libraryindex.h"
#include "trashmover.h"

#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace orsenta::platform {

// One file of the move: a video with several links in the library moved each of them.
struct DeletedVideo {
    IndexRow row;        // as the index held it
    QByteArray original; // where this file came from: the row's path or one of its links
    QByteArray trashedFile;
    QByteArray trashInfo;
    FileStat trashed; // the file in the Trash: device, inode and size tell it is still that one
};

class LastDeletion {
public:
    // The record of the library whose index is at `indexPath`, as an earlier session left it.
    explicit LastDeletion(const QString &indexPath);

    // Where that record is kept: beside the index, named after it.
    static QString recordPathFor(const QString &indexPath);

    // Replaces the record with the files of a move, each with its row as `rowOf` gives it. When
    // the record cannot be written, no move is offered: not this one, nor an earlier one.
    void remember(const std::vector<TrashedFile> &trashed,
                  const std::function<std::optional<IndexRow>(const QString &)> &rowOf);

    bool isEmpty() const;
    // Hands over the record and clears it, so that a move is offered for undoing only once.
    std::vector<DeletedVideo> take();

private:
    bool writeLocked() const;

    const QString m_path;
    mutable std::mutex m_lock;
    std::vector<DeletedVideo> m_videos;
};

struct PutBack {
    RestoreOutcome outcome;
    std::vector<IndexRow> rows; // the rows of the files that came back, for the index
};

// Puts each file back where it came from, when the Trash still holds that very file with its
// record and nothing has taken its place; recreates missing folders above it. The Trash's record
// goes only once the file is back.
PutBack putBackFromTrash(const std::vector<DeletedVideo> &videos);

} // namespace orsenta::platform
