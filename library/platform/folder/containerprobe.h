// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading what a video container says about itself: duration, pixel size and creation time.
//
// probeContainer runs FFmpeg's demuxers in the calling process, so a malicious or broken file
// can crash or hang it; the folder library runs it inside the orsenta-probe helper (see
// MediaProbe) and only tests and tools call it directly.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

namespace orsenta::platform {

// Why a read told nothing about the file itself. Such a read is tried again at the next scan;
// a file that keeps crashing or hanging the helper is set aside until it changes.
enum class ReadFailure {
    none,       // the answer is the file's own: opened, or refused by FFmpeg for what it holds
    cannotOpen, // the file system refused to open it (permissions, vanished, I/O error)
    helperDied, // the helper crashed, was killed or answered garbage while reading it
    helperHung, // the helper did not answer within the watchdog, or gave up on the file for time
    // The helper could not be started or could not confine itself: nothing was read, and no file
    // is to blame for it.
    helperUnavailable,
};

struct ContainerInfo {
    bool opened = false;
    ReadFailure failure = ReadFailure::none;
    double duration = std::numeric_limits<double>::quiet_NaN(); // seconds; NaN when unknown
    // Of the first video stream, as displayed: a portrait phone video stored as 1920x1080 with a
    // quarter-turn rotation reports 1080 x 1920.
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    // Since the Unix epoch, UTC: from the com.apple.quicktime.creationdate tag, else the
    // creation_time tag; absent when neither is an ISO 8601 date and time.
    std::optional<std::int64_t> creationTimeMicros;
    bool hasVideo = false;
    // Why the file could not be opened; when it opened, what could not be read (may be empty).
    QString error;
};

// Reads the container at `path` (raw file-system bytes, never interpreted as a URL), opened as
// openVideoFile does; failure is cannotOpen when that fails. Gives up with opened=false once
// `deadline` has passed. Never throws.
ContainerInfo probeContainer(const QByteArray &path, std::chrono::milliseconds deadline);
// The same through a descriptor open for reading, which stays the caller's; `name` only hints
// at the format.
ContainerInfo probeContainer(int fd, const QByteArray &name, std::chrono::milliseconds deadline);

// An ISO 8601 date and time ("2023-07-04T10:11:12.5Z", "2023-07-04 10:11:12+0200") as
// microseconds since the Unix epoch; a time without a zone is taken as UTC, as containers store
// it. Empty when the text is not such a date and time.
std::optional<std::int64_t> parseIsoDateTime(const QByteArray &text);

} // namespace orsenta::platform
