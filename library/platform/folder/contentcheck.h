// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading videos of one size to tell true copies from strangers: a quick sample hash first, and
// a full cryptographic digest only for videos whose samples agree with another's. Each file is
// read at most once, sequentially, and never written.

#include "directorywalk.h"
#include "library/platform/platformtypes.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <stop_token>
#include <vector>

namespace orsenta::platform {

// The figures a hash is valid for: any write, rename, link or replacement moves one of them.
struct ContentKey {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    friend bool operator==(const ContentKey &, const ContentKey &) = default;
};
ContentKey contentKey(const FileStat &stat);

// What a check learnt of one file: its sample hash, and its full digest once it was needed.
struct ContentRecord {
    ContentKey key;
    QByteArray sample;
    QByteArray digest; // empty until another file's sample agreed with this one's
};

struct ContentMember {
    QString id;
    QByteArray path;
    FileStat scanned;
    std::optional<ContentRecord> cached; // only when its key is the scanned file's
};

struct ContentCheckResult {
    ContentDigests digests;
    std::vector<ContentRecord> learnt; // to remember for the next check
};

// Checks every group (members of one size) in turn. Members that are gone, or not reached
// before `cancellation`, are left out; one that cannot be read whole, or changes while it is
// read, gets an empty digest and teaches nothing. `bytesRead` counts every byte read.
ContentCheckResult checkGroups(const std::vector<std::vector<ContentMember>> &groups,
                               const std::function<void(ContentCheckProgress)> &progress,
                               std::stop_token cancellation, std::atomic<std::int64_t> &bytesRead);

} // namespace orsenta::platform
