// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A video's fingerprint (see model/videofingerprint.h), read from the file: a few frames decoded
// at fixed fractions of its duration, cut free of black bars, turned as displayed and hashed.
// Runs FFmpeg's decoders in the calling process, so the folder library runs it inside the
// orsenta-probe helper (see MediaProbe::fingerprint); tests and benchmarks call it directly.

#include "library/platform/folder/containerprobe.h"
#include "model/videofingerprint.h"

#include <QByteArray>
#include <QString>

#include <chrono>

namespace orsenta::platform {

// A fingerprint as the folder library reads it (see MediaProbe::fingerprint).
struct FingerprintReading {
    VideoFingerprint fingerprint; // empty when the video could not be fingerprinted
    QString error;                // why not
    // none when the answer is the file's own; otherwise the read was lost and says nothing.
    ReadFailure failure = ReadFailure::none;
};

// Samples fingerprintFrameCount frames at sampleFraction(i) of the duration, crops black bars,
// hashes each with perceptualHash(hashImageOf(...)). Empty fingerprint (and `error` set) when the
// file cannot be read; a frame that cannot be decoded hashes to 0. Runs FFmpeg in the calling
// process: the folder library calls it inside the helper.
VideoFingerprint fingerprintVideo(const QByteArray &path, std::chrono::milliseconds deadline,
                                  QString *error = nullptr);
// The same through a descriptor open for reading, which stays the caller's; `name` only hints
// at the format.
VideoFingerprint fingerprintVideo(int fd, const QByteArray &name,
                                  std::chrono::milliseconds deadline, QString *error = nullptr);
// The same, with failure cannotOpen when reading the file itself failed (an I/O error) rather
// than what it holds: the helper's answer.
FingerprintReading readFingerprint(int fd, const QByteArray &name,
                                   std::chrono::milliseconds deadline);

} // namespace orsenta::platform
