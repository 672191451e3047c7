// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the file system tells of a video's file beyond its size: the facts that tell identical
// copies apart, choose the copy to keep and say what deleting one gives back.

#include "instant.h"
#include "videofingerprint.h"

#include <QByteArray>

#include <cstdint>

namespace orsenta {

struct FileFacts {
    // Bytes the disk gets back once the video is deleted and the Trash emptied: its allocated
    // blocks, less extents it shares with other files, and nothing while links outside the
    // library keep it. Negative when unknown: its size counts instead.
    std::int64_t freedBytes = -1;
    Instant fileTime = distantPast; // the file's birth, else its last modification
    std::int32_t pathLength = 0;    // characters in its path; 0 when unknown
    // Whether its content has been read for copies, and the digest of the whole content when
    // another video of its size may share it. Checked without a digest: no video has its bytes.
    bool contentChecked = false;
    QByteArray contentDigest;
    // What it looks like, for finding its re-encoded, resized or trimmed copies; empty until the
    // library has fingerprinted it.
    VideoFingerprint fingerprint;

    friend bool operator==(const FileFacts &, const FileFacts &) = default;
};

} // namespace orsenta
