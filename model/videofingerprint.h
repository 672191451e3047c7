// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a video looks like, in a few bytes: perceptual hashes of frames taken at fixed fractions
// of its duration, so that a re-encoded, resized or slightly trimmed copy can be recognised
// without comparing its bytes.

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

namespace orsenta {

// Frames a fingerprint samples, at sampleFraction(0) … sampleFraction(frameCount - 1).
inline constexpr int fingerprintFrameCount = 32;
// Side of the grayscale picture a frame hash is made from.
inline constexpr int hashImageSide = 32;

// Where the i-th frame is taken, as a fraction of the duration: evenly spread over the middle
// of the video, leaving out the first and last few percent (fades, titles, end cards).
double sampleFraction(int index);

struct VideoFingerprint {
    // One 64-bit perceptual hash per sampled frame, in order; 0 for a frame that tells nothing
    // (flat, black or unreadable). Empty when the video has not been fingerprinted.
    std::vector<std::uint64_t> frames;
    // The video stream's codec as FFmpeg names it ("h264", "hevc", "vp9"), read with the frames.
    QByteArray codec;

    bool isEmpty() const { return frames.empty(); }
    friend bool operator==(const VideoFingerprint &, const VideoFingerprint &) = default;
};

// A hashImageSide x hashImageSide grayscale picture, rows top to bottom.
using HashImage = std::array<std::uint8_t, hashImageSide * hashImageSide>;

// The DCT-based perceptual hash of a picture: one bit per low-frequency coefficient, set when
// it lies above the median. 0 when the picture is too flat to say anything (nearly one shade).
std::uint64_t perceptualHash(const HashImage &image);

// The columns and rows of a grayscale picture that remain once black bars (letterbox or
// pillarbox) are cut away: x, y, width, height. The whole picture when it has no bars or is
// dark all over.
struct PictureArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
PictureArea contentArea(const std::uint8_t *gray, int width, int height, int stride);

// The area of a grayscale picture scaled to a hash image by averaging.
HashImage hashImageOf(const std::uint8_t *gray, int stride, const PictureArea &area);

// The fingerprint as stored: the frames as little-endian 64-bit words. decode returns an empty
// fingerprint's frames for bytes that are not a whole number of words.
QByteArray encodeFingerprintFrames(const std::vector<std::uint64_t> &frames);
std::vector<std::uint64_t> decodeFingerprintFrames(const QByteArray &bytes);

} // namespace orsenta
