// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte protocol between MediaProbe and the orsenta-probe helper, over a socket that is the
// helper's stdin and stdout.
//
// Every message is a frame: one kind byte, the payload's length as a little-endian uint32, then
// the payload. Paths are raw bytes and may hold newlines, so nothing is line-based. A probe or
// thumbnail request carries the open file as one descriptor (SCM_RIGHTS) sent with the frame's
// first byte; the path in it only names the file (a hint at its format) and is never opened.
// A request without its descriptor is answered with `error`.
//
//   helper -> client  hello        u32 protocol version; sent once at start, before any request
//   client -> helper  probe        u32 deadline in ms, then the path's bytes (the rest)
//   helper -> client  probeAnswer  u8 flags (1 opened, 2 hasVideo, 4 has creation time,
//                                  8 unopened because reading the file failed),
//                                  f64 duration (IEEE 754 bits, NaN when unknown),
//                                  i64 pixel width, i64 pixel height,
//                                  i64 creation time in us since the epoch (0 when absent),
//                                  u32 error length, then the error text in UTF-8
//   client -> helper  thumbnail    u32 deadline in ms, u32 width, u32 height, u8 fit (FrameFit),
//                                  then the path's bytes (the rest)
//   helper -> client  thumbnailAnswer  u32 width, u32 height, u32 error length, the error text
//                                  in UTF-8, then width x height RGB pixels (none without a
//                                  picture)
//   client -> helper  fingerprint  as probe: u32 deadline in ms, then the path's bytes (the rest)
//   helper -> client  fingerprintAnswer  u8 flags (1 unfingerprinted because reading the file
//                                  failed, or 2 because the helper ran out of time for it),
//                                  u32 error length, the error text in UTF-8,
//                                  u8 codec length, the codec's name in ASCII, u32 frame count
//                                  (0, or fingerprintFrameCount), then the frames' hashes as
//                                  little-endian u64
//   helper -> client  error        UTF-8 text: the request was not understood; the helper goes on
//
// An answer's kind is its request's kind with the high bit set, so new requests (a thumbnail)
// take new kinds and an older helper answers them with `error` instead of hanging.

#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/fingerprinter.h"
#include "library/platform/folder/framegrab.h"

#include <QByteArray>
#include <QByteArrayView>

#include <chrono>
#include <cstdint>
#include <optional>

namespace orsenta::platform::probeprotocol {

enum class Kind : std::uint8_t {
    hello = 0x01,
    probe = 0x10,
    probeAnswer = 0x90,
    thumbnail = 0x11,
    thumbnailAnswer = 0x91,
    fingerprint = 0x12,
    fingerprintAnswer = 0x92,
    error = 0xff,
};

inline constexpr std::uint32_t version = 3;
inline constexpr int headerSize = 5;
// Room for the largest picture; a larger length means the stream is out of step.
inline constexpr std::uint32_t maxPayload = 64u << 20;

struct FrameHeader {
    Kind kind;
    std::uint32_t length;
};

QByteArray encodeFrame(Kind kind, const QByteArray &payload);
// Reads the first headerSize bytes. Empty when there are fewer or the length is out of range;
// the kind is not checked, so that unknown requests can be answered with `error`.
std::optional<FrameHeader> decodeHeader(QByteArrayView bytes);

QByteArray encodeHello();
bool isCompatibleHello(const QByteArray &payload);

struct ProbeRequest {
    std::chrono::milliseconds deadline{0};
    QByteArray path;
};
QByteArray encodeProbeRequest(const ProbeRequest &request);
std::optional<ProbeRequest> decodeProbeRequest(const QByteArray &payload);

QByteArray encodeProbeAnswer(const ContainerInfo &info);
// Empty when the payload is not exactly a well-formed answer.
std::optional<ContainerInfo> decodeProbeAnswer(const QByteArray &payload);

struct ThumbnailRequest {
    std::chrono::milliseconds deadline{0};
    int width = 0;
    int height = 0;
    FrameFit fit = FrameFit::fill;
    QByteArray path;
};
QByteArray encodeThumbnailRequest(const ThumbnailRequest &request);
// Empty when malformed, or when the size is outside 1 to maxFrameSide.
std::optional<ThumbnailRequest> decodeThumbnailRequest(const QByteArray &payload);

QByteArray encodeThumbnailAnswer(const GrabbedFrame &frame);
// Empty unless the pixels are exactly what the size says (or absent, with a size of 0 x 0).
std::optional<GrabbedFrame> decodeThumbnailAnswer(const QByteArray &payload);

// A fingerprint request is a probe request under another kind.
QByteArray encodeFingerprintAnswer(const FingerprintReading &reading);
// Empty unless the payload is exactly a well-formed answer: no frames, or fingerprintFrameCount
// of them with the codec's name.
std::optional<FingerprintReading> decodeFingerprintAnswer(const QByteArray &payload);

} // namespace orsenta::platform::probeprotocol
