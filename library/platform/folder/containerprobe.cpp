#include "containerprobe.h"

#include <QByteArrayList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace orsenta::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Shared with FFmpeg's callbacks through AVFormatContext::opaque.
struct ProbeState {
    Clock::time_point deadline;
    QByteArray url;
    int (*defaultIoOpen)(AVFormatContext *, AVIOContext **, const char *, int,
                         AVDictionary **) = nullptr;
    bool topLevelOpened = false;
};

int interrupted(void *opaque) {
    return Clock::now() >= static_cast<const ProbeState *>(opaque)->deadline ? 1 : 0;
}

// Some demuxers open further files through the context: playlists (HLS, DASH), image sequences,
// QuickTime references. The whitelists below already refuse the known ones; refusing every open
// but the file itself also covers those nobody thought of.
int openOnlyTheFile(AVFormatContext *ctx, AVIOContext **pb, const char *url, int flags,
                    AVDictionary **options) {
    auto *state = static_cast<ProbeState *>(ctx->opaque);
    if (state->topLevelOpened || std::strcmp(url, state->url.constData()) != 0)
        return AVERROR(EPERM);
    state->topLevelOpened = true;
    return state->defaultIoOpen(ctx, pb, url, flags, options);
}

struct CloseInput {
    void operator()(AVFormatContext *ctx) const { avformat_close_input(&ctx); }
};

// Every demuxer but those that read other files or the network by the names a file holds
// (playlists, concat lists, session descriptions, image sequences) or that run scripts. FFmpeg
// already keeps the nested opens of a local file to local files; the folder library wants only
// the file it named, whatever the file says.
const char *demuxerWhitelist() {
    static const QByteArray list = [] {
        const QByteArrayList refused =
            QByteArray("avisynth,concat,dash,hls,image2,imf,rtp,rtsp,sdp,vapoursynth,"
                       "webm_dash_manifest")
                .split(',');
        const auto isRefused = [&](const QByteArray &name) { return refused.contains(name); };
        QByteArrayList allowed;
        void *iterator = nullptr;
        while (const AVInputFormat *format = av_demuxer_iterate(&iterator)) {
            // A demuxer's name lists its aliases: "matroska,webm".
            const QByteArrayList names = QByteArray(format->name).split(',');
            if (std::none_of(names.begin(), names.end(), isRefused))
                allowed.append(format->name);
        }
        return allowed.join(',');
    }();
    return list.constData();
}

QString ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

const AVStream *firstVideoStream(const AVFormatContext *ctx) {
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *stream = ctx->streams[i];
        // Cover art in audio files is a one-picture "video" stream, not a video.
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return stream;
    }
    return nullptr;
}

bool needsStreamInfo(const AVFormatContext *ctx) {
    if (ctx->duration == AV_NOPTS_VALUE || ctx->nb_streams == 0)
        return true;
    if (const AVStream *video = firstVideoStream(ctx))
        return video->codecpar->width <= 0 || video->codecpar->height <= 0;
    // Formats without a header (MPEG-TS, FLV) discover their streams only by reading packets.
    return (ctx->ctx_flags & AVFMTCTX_NOHEADER) != 0;
}

double durationSeconds(const AVFormatContext *ctx, const AVStream *video) {
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration >= 0)
        return double(ctx->duration) / AV_TIME_BASE;
    if (video && video->duration != AV_NOPTS_VALUE && video->duration >= 0
        && video->time_base.den > 0)
        return double(video->duration) * av_q2d(video->time_base);
    return std::numeric_limits<double>::quiet_NaN();
}

bool isQuarterTurn(const AVStream *video) {
    size_t size = 0;
    const auto *matrix = reinterpret_cast<const std::int32_t *>(
        av_stream_get_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, &size));
    if (!matrix || size < 9 * sizeof(std::int32_t))
        return false;
    const double degrees = av_display_rotation_get(matrix);
    if (std::isnan(degrees))
        return false;
    const long quarters = std::lround(degrees / 90.0);
    return quarters % 2 != 0;
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
    // FFmpeg stops at the first NUL and would open another file than the one named.
    if (path.contains('\0')) {
        info.error = QStringLiteral("the path contains a NUL byte");
        return info;
    }
    ProbeState state;
    state.deadline = Clock::now() + deadline;
    // The file: prefix keeps a name such as "concat:a|b" or "http:x" from choosing a protocol;
    // FFmpeg's file protocol passes the rest to open() without decoding '%' escapes.
    state.url = QByteArrayLiteral("file:") + path;

    AVFormatContext *ctx = avformat_alloc_context();
    if (!ctx) {
        info.error = QStringLiteral("out of memory");
        return info;
    }
    ctx->interrupt_callback = {&interrupted, &state};
    ctx->opaque = &state;
    state.defaultIoOpen = ctx->io_open;
    ctx->io_open = &openOnlyTheFile;

    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", demuxerWhitelist(), 0);
    av_dict_set(&options, "probesize", "5000000", 0);
    av_dict_set(&options, "analyzeduration", "3000000", 0); // microseconds
    // On failure avformat_open_input frees the context and sets it to null.
    const int opened = avformat_open_input(&ctx, state.url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        info.error = opened == AVERROR_EXIT
                         ? QStringLiteral("timed out after %1 ms").arg(deadline.count())
                         : QStringLiteral("not a readable container: ") + ffmpegError(opened);
        return info;
    }
    const std::unique_ptr<AVFormatContext, CloseInput> input(ctx);
    info.opened = true;

    // Reading packets to fill in what the header lacks costs far more than the header itself,
    // so it is done only when needed.
    if (needsStreamInfo(ctx)) {
        const int found = avformat_find_stream_info(ctx, nullptr);
        if (found < 0)
            info.error =
                found == AVERROR_EXIT
                    ? QStringLiteral("timed out after %1 ms reading the streams")
                          .arg(deadline.count())
                    : QStringLiteral("incomplete stream information: ") + ffmpegError(found);
    }

    const AVStream *video = firstVideoStream(ctx);
    info.duration = durationSeconds(ctx, video);
    info.hasVideo = video != nullptr;
    if (video && video->codecpar->width > 0 && video->codecpar->height > 0) {
        info.pixelWidth = video->codecpar->width;
        info.pixelHeight = video->codecpar->height;
        if (isQuarterTurn(video))
            std::swap(info.pixelWidth, info.pixelHeight);
    }
    info.creationTimeMicros = creationTime(ctx->metadata);
    return info;
}

} // namespace orsenta::platform
