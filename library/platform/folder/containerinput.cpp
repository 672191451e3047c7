// SPDX-License-Identifier: GPL-3.0-or-later
#include "containerinput.h"

#include <QByteArrayList>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/mem.h>
}

namespace orsenta::platform {

using Clock = std::chrono::steady_clock;

// Shared with FFmpeg's callbacks through AVFormatContext::opaque and the AVIOContext.
struct ContainerInput::State {
    Clock::time_point deadline;
    int fd = -1;
    AVIOContext *io = nullptr;
    bool readFailed = false;
};

namespace {

constexpr int ioBufferSize = 64 * 1024;

int interrupted(void *opaque) {
    return Clock::now() >= static_cast<const ContainerInput::State *>(opaque)->deadline ? 1 : 0;
}

// Reads of a local file do not block for long, so checking the deadline before each one also
// stops a demuxer that loops over the file forever.
int readFile(void *opaque, std::uint8_t *buffer, int size) {
    auto *state = static_cast<ContainerInput::State *>(opaque);
    if (Clock::now() >= state->deadline)
        return AVERROR_EXIT;
    for (;;) {
        const ssize_t n = ::read(state->fd, buffer, std::size_t(size));
        if (n > 0)
            return int(n);
        if (n == 0)
            return AVERROR_EOF;
        if (errno != EINTR) {
            state->readFailed = true;
            return AVERROR(errno);
        }
    }
}

std::int64_t seekFile(void *opaque, std::int64_t offset, int whence) {
    const auto *state = static_cast<const ContainerInput::State *>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(state->fd, &st) == 0 ? std::int64_t(st.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(state->fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : std::int64_t(at);
}

// Some demuxers open further files through the context: playlists (HLS, DASH), image sequences,
// QuickTime references. The whitelist below already refuses the known ones; refusing every open
// also covers those nobody thought of, since the file itself comes through its descriptor.
int openNothingElse(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **) {
    return AVERROR(EPERM);
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

int openVideoFile(const QByteArray &path, QString &error) {
    // A C path stops at the first NUL and would name another file.
    if (path.contains('\0')) {
        error = QStringLiteral("the path contains a NUL byte");
        return -1;
    }
    // Non-blocking, so that a FIFO planted in the library cannot stall the open.
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = QStringLiteral("cannot open the file: ") + QString::fromUtf8(std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = QStringLiteral("not a regular file");
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

ContainerInput::ContainerInput(int fd, const QByteArray &name, std::chrono::milliseconds deadline)
    : m_state(std::make_unique<State>())
    , m_deadline(deadline) {
    m_state->deadline = Clock::now() + deadline;
    m_state->fd = fd;
    auto *buffer = static_cast<unsigned char *>(av_malloc(ioBufferSize));
    if (buffer)
        m_state->io = avio_alloc_context(buffer, ioBufferSize, 0, m_state.get(), &readFile, nullptr,
                                         &seekFile);
    AVFormatContext *ctx = m_state->io ? avformat_alloc_context() : nullptr;
    if (!ctx) {
        if (!m_state->io)
            av_free(buffer);
        m_error = QStringLiteral("out of memory");
        return;
    }
    ctx->pb = m_state->io;
    ctx->interrupt_callback = {&interrupted, m_state.get()};
    ctx->opaque = m_state.get();
    ctx->io_open = &openNothingElse;

    AVDictionary *options = nullptr;
    // No protocol at all, for demuxers that open URLs without asking the context: the file
    // comes through its descriptor, and no protocol is named "none".
    av_dict_set(&options, "protocol_whitelist", "none", 0);
    av_dict_set(&options, "format_whitelist", demuxerWhitelist(), 0);
    av_dict_set(&options, "probesize", "5000000", 0);
    av_dict_set(&options, "analyzeduration", "3000000", 0); // microseconds
    // On failure avformat_open_input frees the context and sets it to null.
    const int opened = avformat_open_input(&ctx, name.constData(), nullptr, &options);
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
    if (m_state->io) {
        av_freep(&m_state->io->buffer);
        avio_context_free(&m_state->io);
    }
}

bool ContainerInput::readFailed() const {
    return m_state->readFailed;
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
