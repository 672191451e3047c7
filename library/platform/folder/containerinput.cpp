#include "containerinput.h"

#include <QByteArrayList>

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace orsenta::platform {

using Clock = std::chrono::steady_clock;

// Shared with FFmpeg's callbacks through AVFormatContext::opaque.
struct ContainerInput::State {
    Clock::time_point deadline;
    QByteArray url;
    int (*defaultIoOpen)(AVFormatContext *, AVIOContext **, const char *, int,
                         AVDictionary **) = nullptr;
    bool topLevelOpened = false;
};

namespace {

int interrupted(void *opaque) {
    return Clock::now() >= static_cast<const ContainerInput::State *>(opaque)->deadline ? 1 : 0;
}

// Some demuxers open further files through the context: playlists (HLS, DASH), image sequences,
// QuickTime references. The whitelists below already refuse the known ones; refusing every open
// but the file itself also covers those nobody thought of.
int openOnlyTheFile(AVFormatContext *ctx, AVIOContext **pb, const char *url, int flags,
                    AVDictionary **options) {
    auto *state = static_cast<ContainerInput::State *>(ctx->opaque);
    if (state->topLevelOpened || std::strcmp(url, state->url.constData()) != 0)
        return AVERROR(EPERM);
    state->topLevelOpened = true;
    return state->defaultIoOpen(ctx, pb, url, flags, options);
}

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

} // namespace

QString ffmpegErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

ContainerInput::ContainerInput(const QByteArray &path, std::chrono::milliseconds deadline)
    : m_state(std::make_unique<State>())
    , m_deadline(deadline) {
    // FFmpeg stops at the first NUL and would open another file than the one named.
    if (path.contains('\0')) {
        m_error = QStringLiteral("the path contains a NUL byte");
        return;
    }
    m_state->deadline = Clock::now() + deadline;
    // The file: prefix keeps a name such as "concat:a|b" or "http:x" from choosing a protocol;
    // FFmpeg's file protocol passes the rest to open() without decoding '%' escapes.
    m_state->url = QByteArrayLiteral("file:") + path;

    AVFormatContext *ctx = avformat_alloc_context();
    if (!ctx) {
        m_error = QStringLiteral("out of memory");
        return;
    }
    ctx->interrupt_callback = {&interrupted, m_state.get()};
    ctx->opaque = m_state.get();
    m_state->defaultIoOpen = ctx->io_open;
    ctx->io_open = &openOnlyTheFile;

    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", demuxerWhitelist(), 0);
    av_dict_set(&options, "probesize", "5000000", 0);
    av_dict_set(&options, "analyzeduration", "3000000", 0); // microseconds
    // On failure avformat_open_input frees the context and sets it to null.
    const int opened = avformat_open_input(&ctx, m_state->url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        m_error = opened == AVERROR_EXIT
                      ? QStringLiteral("timed out after %1 ms").arg(deadline.count())
                      : QStringLiteral("not a readable container: ") + ffmpegErrorText(opened);
        return;
    }
    m_context = ctx;
}

ContainerInput::~ContainerInput() {
    if (m_context)
        avformat_close_input(&m_context);
}

bool ContainerInput::deadlinePassed() const {
    return Clock::now() >= m_state->deadline;
}

QString ContainerInput::completeStreamInfo() {
    if (!m_context)
        return m_error;
    bool needed = m_context->duration == AV_NOPTS_VALUE || m_context->nb_streams == 0;
    if (const AVStream *video = videoStream())
        needed = needed || video->codecpar->width <= 0 || video->codecpar->height <= 0;
    else // formats without a header (MPEG-TS, FLV) discover their streams only by reading
        needed = needed || (m_context->ctx_flags & AVFMTCTX_NOHEADER) != 0;
    if (!needed)
        return {};
    const int found = avformat_find_stream_info(m_context, nullptr);
    if (found >= 0)
        return {};
    return found == AVERROR_EXIT
               ? QStringLiteral("timed out after %1 ms reading the streams").arg(m_deadline.count())
               : QStringLiteral("incomplete stream information: ") + ffmpegErrorText(found);
}

const AVStream *ContainerInput::videoStream() const {
    if (!m_context)
        return nullptr;
    for (unsigned i = 0; i < m_context->nb_streams; ++i) {
        const AVStream *stream = m_context->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return stream;
    }
    return nullptr;
}

int ContainerInput::displayRotation(const AVStream *video) {
    size_t size = 0;
    const auto *matrix = reinterpret_cast<const std::int32_t *>(
        av_stream_get_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, &size));
    if (!matrix || size < 9 * sizeof(std::int32_t))
        return 0;
    const double degrees = av_display_rotation_get(matrix); // counter-clockwise
    if (std::isnan(degrees))
        return 0;
    const long quarters = std::lround(-degrees / 90.0);
    return int(((quarters % 4) + 4) % 4) * 90;
}

} // namespace orsenta::platform
