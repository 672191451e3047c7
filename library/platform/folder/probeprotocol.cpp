// SPDX-License-Identifier: GPL-3.0-or-later
#include "probeprotocol.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace orsenta::platform::probeprotocol {

namespace {

// unreadable: the file system failed the helper's reads of the file (failure cannotOpen).
enum Flag : std::uint8_t { opened = 1, hasVideo = 2, hasCreationTime = 4, unreadable = 8 };
constexpr std::uint8_t allFlags = opened | hasVideo | hasCreationTime | unreadable;
// A fingerprint answer's flags, one at the most: reading the file failed (failure cannotOpen),
// or the helper ran out of time for it (failure helperHung).
constexpr std::uint8_t unfingerprinted = 1;
constexpr std::uint8_t outOfTime = 2;
constexpr qsizetype fixedAnswerSize = 1 + 8 + 8 + 8 + 8 + 4;
// Errors are one-line explanations; a runaway text must not grow the frame without bound.
constexpr qsizetype maxErrorBytes = 4096;
// FFmpeg's codec names are short identifiers ("h264", "prores", "msmpeg4v3").
constexpr qsizetype maxCodecBytes = 32;

template <typename T>
void append(QByteArray &out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <typename T>
T read(const QByteArray &in, qsizetype &pos) {
    const T value = qFromLittleEndian<T>(in.constData() + pos);
    pos += sizeof(T);
    return value;
}

} // namespace

QByteArray encodeFrame(Kind kind, const QByteArray &payload) {
    QByteArray frame;
    frame.reserve(headerSize + payload.size());
    frame.append(char(kind));
    append<std::uint32_t>(frame, std::uint32_t(payload.size()));
    frame.append(payload);
    return frame;
}

std::optional<FrameHeader> decodeHeader(QByteArrayView bytes) {
    if (bytes.size() < headerSize)
        return std::nullopt;
    const auto length = qFromLittleEndian<std::uint32_t>(bytes.data() + 1);
    if (length > maxPayload)
        return std::nullopt;
    return FrameHeader{Kind(std::uint8_t(bytes[0])), length};
}

QByteArray encodeHello() {
    QByteArray payload;
    append<std::uint32_t>(payload, version);
    return payload;
}

bool isCompatibleHello(const QByteArray &payload) {
    qsizetype pos = 0;
    return payload.size() == 4 && read<std::uint32_t>(payload, pos) == version;
}

QByteArray encodeProbeRequest(const ProbeRequest &request) {
    QByteArray payload;
    payload.reserve(4 + request.path.size());
    const auto ms = std::clamp<std::int64_t>(request.deadline.count(), 0, UINT32_MAX);
    append<std::uint32_t>(payload, std::uint32_t(ms));
    payload.append(request.path);
    return payload;
}

std::optional<ProbeRequest> decodeProbeRequest(const QByteArray &payload) {
    if (payload.size() < 4)
        return std::nullopt;
    qsizetype pos = 0;
    ProbeRequest request;
    request.deadline = std::chrono::milliseconds(read<std::uint32_t>(payload, pos));
    request.path = payload.mid(pos);
    return request;
}

QByteArray encodeProbeAnswer(const ContainerInfo &info) {
    const QByteArray error = info.error.toUtf8().left(maxErrorBytes);
    QByteArray payload;
    payload.reserve(fixedAnswerSize + error.size());
    std::uint8_t flags = 0;
    if (info.opened)
        flags |= opened;
    if (info.hasVideo)
        flags |= hasVideo;
    if (info.creationTimeMicros)
        flags |= hasCreationTime;
    if (!info.opened && info.failure == ReadFailure::cannotOpen)
        flags |= unreadable;
    append<std::uint8_t>(payload, flags);
    append<std::uint64_t>(payload, std::bit_cast<std::uint64_t>(info.duration));
    append<std::int64_t>(payload, info.pixelWidth);
    append<std::int64_t>(payload, info.pixelHeight);
    append<std::int64_t>(payload, info.creationTimeMicros.value_or(0));
    append<std::uint32_t>(payload, std::uint32_t(error.size()));
    payload.append(error);
    return payload;
}

std::optional<ContainerInfo> decodeProbeAnswer(const QByteArray &payload) {
    if (payload.size() < fixedAnswerSize)
        return std::nullopt;
    qsizetype pos = 0;
    const auto flags = read<std::uint8_t>(payload, pos);
    if (flags & ~allFlags)
        return std::nullopt;
    ContainerInfo info;
    info.opened = flags & opened;
    info.hasVideo = flags & hasVideo;
    if (flags & unreadable)
        info.failure = ReadFailure::cannotOpen;
    info.duration = std::bit_cast<double>(read<std::uint64_t>(payload, pos));
    info.pixelWidth = read<std::int64_t>(payload, pos);
    info.pixelHeight = read<std::int64_t>(payload, pos);
    const auto created = read<std::int64_t>(payload, pos);
    if (flags & hasCreationTime)
        info.creationTimeMicros = created;
    const auto errorLength = read<std::uint32_t>(payload, pos);
    if (qsizetype(errorLength) != payload.size() - pos)
        return std::nullopt;
    if (!(std::isnan(info.duration) || (std::isfinite(info.duration) && info.duration >= 0)))
        return std::nullopt;
    if (info.pixelWidth < 0 || info.pixelHeight < 0)
        return std::nullopt;
    // Only an opened container has anything to say about its streams.
    if (info.opened && (flags & unreadable))
        return std::nullopt;
    if (!info.opened
        && (info.hasVideo || info.creationTimeMicros || info.pixelWidth != 0
            || info.pixelHeight != 0 || !std::isnan(info.duration)))
        return std::nullopt;
    info.error = QString::fromUtf8(payload.constData() + pos, errorLength);
    return info;
}

QByteArray encodeThumbnailRequest(const ThumbnailRequest &request) {
    QByteArray payload;
    payload.reserve(13 + request.path.size());
    const auto ms = std::clamp<std::int64_t>(request.deadline.count(), 0, UINT32_MAX);
    append<std::uint32_t>(payload, std::uint32_t(ms));
    append<std::uint32_t>(payload, std::uint32_t(std::max(request.width, 0)));
    append<std::uint32_t>(payload, std::uint32_t(std::max(request.height, 0)));
    append<std::uint8_t>(payload, std::uint8_t(request.fit));
    payload.append(request.path);
    return payload;
}

std::optional<ThumbnailRequest> decodeThumbnailRequest(const QByteArray &payload) {
    if (payload.size() < 13)
        return std::nullopt;
    qsizetype pos = 0;
    ThumbnailRequest request;
    request.deadline = std::chrono::milliseconds(read<std::uint32_t>(payload, pos));
    const auto width = read<std::uint32_t>(payload, pos);
    const auto height = read<std::uint32_t>(payload, pos);
    const auto fit = read<std::uint8_t>(payload, pos);
    if (width < 1 || height < 1 || width > maxFrameSide || height > maxFrameSide
        || fit > std::uint8_t(FrameFit::fill))
        return std::nullopt;
    request.width = int(width);
    request.height = int(height);
    request.fit = FrameFit(fit);
    request.path = payload.mid(pos);
    return request;
}

QByteArray encodeThumbnailAnswer(const GrabbedFrame &frame) {
    const QByteArray error = frame.error.toUtf8().left(maxErrorBytes);
    const bool picture =
        !frame.isNull() && frame.pixels.size() == qsizetype(frame.width) * frame.height * 3;
    QByteArray payload;
    payload.reserve(12 + error.size() + (picture ? frame.pixels.size() : 0));
    append<std::uint32_t>(payload, picture ? std::uint32_t(frame.width) : 0);
    append<std::uint32_t>(payload, picture ? std::uint32_t(frame.height) : 0);
    append<std::uint32_t>(payload, std::uint32_t(error.size()));
    payload.append(error);
    if (picture)
        payload.append(frame.pixels);
    return payload;
}

std::optional<GrabbedFrame> decodeThumbnailAnswer(const QByteArray &payload) {
    if (payload.size() < 12)
        return std::nullopt;
    qsizetype pos = 0;
    const auto width = read<std::uint32_t>(payload, pos);
    const auto height = read<std::uint32_t>(payload, pos);
    const auto errorLength = read<std::uint32_t>(payload, pos);
    if (width > maxFrameSide || height > maxFrameSide || (width == 0) != (height == 0)
        || errorLength > std::uint32_t(payload.size() - pos))
        return std::nullopt;
    GrabbedFrame frame;
    frame.error = QString::fromUtf8(payload.constData() + pos, errorLength);
    pos += errorLength;
    if (payload.size() - pos != qsizetype(width) * height * 3)
        return std::nullopt;
    frame.width = int(width);
    frame.height = int(height);
    frame.pixels = payload.mid(pos);
    return frame;
}

QByteArray encodeFingerprintAnswer(const FingerprintReading &reading) {
    const QByteArray error = reading.error.toUtf8().left(maxErrorBytes);
    const std::vector<std::uint64_t> &frames = reading.fingerprint.frames;
    const bool whole = qsizetype(frames.size()) == fingerprintFrameCount
                       && !reading.fingerprint.codec.isEmpty()
                       && reading.fingerprint.codec.size() <= maxCodecBytes;
    const QByteArray codec = whole ? reading.fingerprint.codec : QByteArray();
    QByteArray payload;
    payload.reserve(1 + 4 + error.size() + 1 + codec.size() + 4 + 8 * fingerprintFrameCount);
    std::uint8_t flags = 0;
    if (!whole && reading.failure == ReadFailure::cannotOpen)
        flags = unfingerprinted;
    else if (!whole && reading.failure == ReadFailure::helperHung)
        flags = outOfTime;
    append<std::uint8_t>(payload, flags);
    append<std::uint32_t>(payload, std::uint32_t(error.size()));
    payload.append(error);
    append<std::uint8_t>(payload, std::uint8_t(codec.size()));
    payload.append(codec);
    append<std::uint32_t>(payload, whole ? std::uint32_t(frames.size()) : 0);
    if (whole) {
        for (const std::uint64_t frame : frames)
            append<std::uint64_t>(payload, frame);
    }
    return payload;
}

std::optional<FingerprintReading> decodeFingerprintAnswer(const QByteArray &payload) {
    qsizetype pos = 0;
    if (payload.size() < 5)
        return std::nullopt;
    const auto flags = read<std::uint8_t>(payload, pos);
    const auto errorLength = read<std::uint32_t>(payload, pos);
    if ((flags != 0 && flags != unfingerprinted && flags != outOfTime)
        || errorLength > maxErrorBytes || payload.size() - pos < qsizetype(errorLength) + 1)
        return std::nullopt;
    FingerprintReading reading;
    if (flags == unfingerprinted)
        reading.failure = ReadFailure::cannotOpen;
    else if (flags == outOfTime)
        reading.failure = ReadFailure::helperHung;
    reading.error = QString::fromUtf8(payload.constData() + pos, errorLength);
    pos += errorLength;
    const auto codecLength = read<std::uint8_t>(payload, pos);
    if (codecLength > maxCodecBytes || payload.size() - pos < qsizetype(codecLength) + 4)
        return std::nullopt;
    const QByteArray codec = payload.mid(pos, codecLength);
    pos += codecLength;
    const auto isNameByte = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    if (!std::all_of(codec.cbegin(), codec.cend(), isNameByte))
        return std::nullopt;
    const auto count = read<std::uint32_t>(payload, pos);
    if ((count != 0 && count != std::uint32_t(fingerprintFrameCount))
        || (count == 0) != codec.isEmpty() || (count != 0 && flags != 0)
        || payload.size() - pos != qsizetype(count) * 8)
        return std::nullopt;
    reading.fingerprint.codec = codec;
    reading.fingerprint.frames.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        reading.fingerprint.frames.push_back(read<std::uint64_t>(payload, pos));
    return reading;
}

} // namespace orsenta::platform::probeprotocol
