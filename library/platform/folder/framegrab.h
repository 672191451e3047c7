// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One picture of a video for its thumbnail: a keyframe near the start, turned as displayed and
// scaled. Runs FFmpeg's decoders in the calling process, so the folder library runs it inside
// the orsenta-probe helper (see MediaProbe::thumbnail); tests and benchmarks call it directly.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>

namespace orsenta::platform {

enum class FrameFit : std::uint8_t {
    within = 0, // as large as fits in the box, keeping the shape; never enlarged
    fill = 1,   // exactly the box, the middle of the picture cropped to its shape
};

struct GrabbedFrame {
    int width = 0;
    int height = 0;
    QByteArray pixels; // RGB, 3 bytes a pixel, rows top to bottom without padding
    QString error;     // why there is no picture
    bool isNull() const { return pixels.isEmpty(); }
};

inline constexpr int maxFrameSide = 4096;

// Never the first frame when a later keyframe lies within the first second (or the first half
// of a shorter video): many videos fade in from black. Never throws.
GrabbedFrame grabFrame(const QByteArray &path, int width, int height, FrameFit fit,
                       std::chrono::milliseconds deadline);
// The same through a descriptor open for reading, which stays the caller's; `name` only hints
// at the format.
GrabbedFrame grabFrame(int fd, const QByteArray &name, int width, int height, FrameFit fit,
                       std::chrono::milliseconds deadline);

} // namespace orsenta::platform
