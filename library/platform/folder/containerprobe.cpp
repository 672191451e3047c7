// SPDX-License-Identifier: GPL-3.0-or-later
#include "containerprobe.h"

#include "containerinput.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace orsenta::platform {

namespace {

double durationSeconds(const AVFormatContext *ctx, const AVStream *video) {
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration >= 0)
        return double(ctx->duration) / AV_TIME_BASE;
    if (video && video->duration != AV_NOPTS_VALUE && video->duration >= 0
        && video->time_base.den > 0)
        return double(video->duration) * av_q2d(video->time_base);
    return std::numeric_limits<double>::quiet_NaN();
}

std::optional<std::int64_t> creationTime(const AVDictionary *metadata) {
    // Apple's key carries the capture time with its zone and survives edits that rewrite the
    // movie header, so it wins over creation_time when both are present.
    for (const char *key : {"com.apple.quicktime.creationdate", "creation_time"}) {
        if (const AVDictionaryEntry *entry = av_dict_get(metadata, key, nullptr, 0)) {
            if (auto micros = parseIsoDateTime(QByteArray(entry->value)))
                return micros;
        }
    }
    return std::nullopt;
}

// Reads a run of exactly `count` digits at `pos`.
std::optional<int> digits(const QByteArray &text, qsizetype &pos, int count) {
    if (pos + count > text.size())
        return std::nullopt;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text.at(pos + i);
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    pos += count;
    return value;
}

bool expect(const QByteArray &text, qsizetype &pos, char c) {
    if (pos < text.size() && text.at(pos) == c) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

std::optional<std::int64_t> parseIsoDateTime(const QByteArray &raw) {
    using namespace std::chrono;
    const QByteArray text = raw.trimmed();
    qsizetype pos = 0;
    const auto y = digits(text, pos, 4);
    if (!y || !expect(text, pos, '-'))
        return std::nullopt;
    const auto mo = digits(text, pos, 2);
    if (!mo || !expect(text, pos, '-'))
        return std::nullopt;
    const auto d = digits(text, pos, 2);
    if (!d || !(expect(text, pos, 'T') || expect(text, pos, 't') || expect(text, pos, ' ')))
        return std::nullopt;
    const auto h = digits(text, pos, 2);
    if (!h || !expect(text, pos, ':'))
        return std::nullopt;
    const auto mi = digits(text, pos, 2);
    if (!mi)
        return std::nullopt;
    int s = 0;
    std::int64_t fractionMicros = 0;
    if (expect(text, pos, ':')) {
        const auto sec = digits(text, pos, 2);
        if (!sec)
            return std::nullopt;
        s = *sec;
        if (expect(text, pos, '.') || expect(text, pos, ',')) {
            int scale = 100000;
            const qsizetype start = pos;
            while (pos < text.size() && text.at(pos) >= '0' && text.at(pos) <= '9') {
                fractionMicros += (text.at(pos) - '0') * scale;
                scale /= 10;
                ++pos;
            }
            if (pos == start)
                return std::nullopt;
        }
    }
    int offsetMinutes = 0;
    if (pos < text.size()) {
        const char zone = text.at(pos++);
        if (zone == '+' || zone == '-') {
            const auto oh = digits(text, pos, 2);
            if (!oh)
                return std::nullopt;
            int om = 0;
            if (pos < text.size()) {
                expect(text, pos, ':');
                const auto m = digits(text, pos, 2);
                if (!m)
                    return std::nullopt;
                om = *m;
            }
            if (*oh > 23 || om > 59)
                return std::nullopt;
            offsetMinutes = (zone == '+' ? 1 : -1) * (*oh * 60 + om);
        } else if (zone != 'Z' && zone != 'z') {
            return std::nullopt;
        }
    }
    if (pos != text.size())
        return std::nullopt;

    const year_month_day date{year{*y}, month{unsigned(*mo)}, day{unsigned(*d)}};
    // A leap second cannot be represented in Unix time; it is folded into the one before.
    if (!date.ok() || *h > 23 || *mi > 59 || s > 60)
        return std::nullopt;
    const auto local = sys_days{date} + hours{*h} + minutes{*mi} + seconds{std::min(s, 59)}
                       + microseconds{fractionMicros};
    return duration_cast<microseconds>(local.time_since_epoch() - minutes{offsetMinutes}).count();
}

ContainerInfo probeContainer(const QByteArray &path, std::chrono::milliseconds deadline) {
    ContainerInfo info;
    const int fd = openVideoFile(path, info.error);
    if (fd < 0) {
        info.failure = ReadFailure::cannotOpen;
        return info;
    }
    info = probeContainer(fd, path, deadline);
    ::close(fd);
    return info;
}

ContainerInfo probeContainer(int fd, const QByteArray &name, std::chrono::milliseconds deadline) {
    ContainerInfo info;
    ContainerInput input(fd, name, deadline);
    AVFormatContext *ctx = input.context();
    if (!ctx) {
        info.error = input.error();
        if (input.readFailed())
            info.failure = ReadFailure::cannotOpen;
        return info;
    }
    info.opened = true;
    info.error = input.completeStreamInfo();

    const AVStream *video = input.videoStream();
    info.duration = durationSeconds(ctx, video);
    info.hasVideo = video != nullptr;
    if (video && video->codecpar->width > 0 && video->codecpar->height > 0) {
        info.pixelWidth = video->codecpar->width;
        info.pixelHeight = video->codecpar->height;
        if (ContainerInput::displayRotation(video) % 180 != 0)
            std::swap(info.pixelWidth, info.pixelHeight);
    }
    info.creationTimeMicros = creationTime(ctx->metadata);
    return info;
}

} // namespace orsenta::platform
