// SPDX-License-Identifier: GPL-3.0-or-later
#include "fingerprinter.h"

#include "containerinput.h"
#include "ffmpegowners.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace orsenta::platform {

namespace {

// Width of the grayscale picture that bars are looked for in and the hash image is averaged
// from: four times the hash image, so a bar's edge is found to within a few percent.
constexpr int grayWidth = 4 * hashImageSide;
// Video packets decoded past the keyframe for one sample: two seconds at 30 frames a second.
// A video whose keyframes lie further apart gives the frame reached, so one long run of frames
// without a keyframe cannot spend the whole budget.
constexpr int maxPacketsPerSample = 60;
// Packets of any stream read for one sample before it is given up as unreadable.
constexpr int maxPacketsRead = 3000;

double durationSeconds(const AVFormatContext *ctx, const AVStream *video) {
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
        return double(ctx->duration) / AV_TIME_BASE;
    if (video->duration != AV_NOPTS_VALUE && video->duration > 0 && video->time_base.den > 0)
        return double(video->duration) * av_q2d(video->time_base);
    return 0;
}

// Turns a tightly packed picture clockwise by `degrees` (a multiple of 90), so that a video
// stored sideways with a rotation matrix hashes like its copy stored upright.
std::vector<std::uint8_t> turned(const std::vector<std::uint8_t> &gray, int width, int height,
                                 int degrees) {
    if (degrees == 0)
        return gray;
    std::vector<std::uint8_t> out(gray.size());
    const int outWidth = degrees % 180 == 0 ? width : height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int ox = y;
            int oy = width - 1 - x;
            if (degrees == 90) {
                ox = height - 1 - y;
                oy = x;
            } else if (degrees == 180) {
                ox = width - 1 - x;
                oy = height - 1 - y;
            }
            out[std::size_t(oy) * outWidth + ox] = gray[std::size_t(y) * width + x];
        }
    }
    return out;
}

// Decodes the frames a fingerprint samples, in order, from one open container.
class FrameSampler {
public:
    FrameSampler(ContainerInput &input, const AVStream *video, AVCodecContext *decoder)
        : m_input(input)
        , m_video(video)
        , m_start(video->start_time != AV_NOPTS_VALUE ? video->start_time : 0)
        , m_decoder(decoder)
        , m_packet(av_packet_alloc())
        , m_frame(av_frame_alloc())
        , m_last(av_frame_alloc())
        , m_gray(av_frame_alloc()) {}
    ~FrameSampler() { sws_freeContext(m_scaler); }
    FrameSampler(const FrameSampler &) = delete;
    FrameSampler &operator=(const FrameSampler &) = delete;

    bool isValid() const { return m_packet && m_frame && m_last && m_gray; }

    // The hash of the first frame at or after `target` (in the stream's time base); empty when
    // no frame could be decoded there.
    std::optional<std::uint64_t> hashAt(std::int64_t target) {
        if (!m_sequential)
            positionBefore(target);
        const AVFrame *picture = decodeAt(target);
        if (!picture && !m_sequential) {
            // Some containers (MPEG-TS) seek to a byte position rather than to a keyframe, and a
            // video with few keyframes then decodes nothing after a seek: such a video is read
            // from the start, once, for this sample and the ones after it.
            m_sequential = true;
            avformat_seek_file(m_input.context(), m_video->index, INT64_MIN, m_start, m_start, 0);
            avcodec_flush_buffers(m_decoder);
            av_frame_unref(m_last.get());
            picture = decodeAt(target);
        }
        if (!picture)
            return std::nullopt;
        return hashOf(picture);
    }

private:
    // Seeks to the keyframe at or before `target`, unless decoding on from where the previous
    // sample stopped gets there without decoding that keyframe again.
    void positionBefore(std::int64_t target) {
        if (m_positioned && m_reached != AV_NOPTS_VALUE && m_reached < target) {
            const AVIndexEntry *key = avformat_index_get_entry_from_timestamp(
                const_cast<AVStream *>(m_video), target, AVSEEK_FLAG_BACKWARD);
            if (key && key->timestamp <= m_reached)
                return;
        }
        av_seek_frame(m_input.context(), m_video->index, target, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(m_decoder);
        av_frame_unref(m_last.get());
        m_positioned = true;
        m_reached = AV_NOPTS_VALUE;
    }

    // The frame to hash for `target`, or null.
    const AVFrame *decodeAt(std::int64_t target) {
        AVFormatContext *ctx = m_input.context();
        int sent = 0;
        for (int read = 0; read < maxPacketsRead && !m_input.deadlinePassed(); ++read) {
            if (av_read_frame(ctx, m_packet.get()) < 0) {
                // The end, or a damaged stretch: whatever the decoder still holds is all there is.
                avcodec_send_packet(m_decoder, nullptr);
                m_positioned = false;
                return receive(target, true);
            }
            if (m_packet->stream_index != m_video->index) {
                av_packet_unref(m_packet.get());
                continue;
            }
            // Frames no other frame refers to cost nothing to leave out while still before the
            // target; the first one at or after it is the one wanted.
            ++sent;
            const bool capped = !m_sequential && sent >= maxPacketsPerSample;
            const bool early = m_packet->pts != AV_NOPTS_VALUE && m_packet->pts < target && !capped;
            m_decoder->skip_frame = early ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            avcodec_send_packet(m_decoder, m_packet.get());
            av_packet_unref(m_packet.get());
            if (const AVFrame *picture = receive(target, capped))
                return picture;
        }
        return nullptr;
    }

    // Takes the decoded frames: the first at or after `target`, else, when `settle`, the
    // latest one decoded.
    const AVFrame *receive(std::int64_t target, bool settle) {
        while (avcodec_receive_frame(m_decoder, m_frame.get()) == 0) {
            const std::int64_t at = m_frame->best_effort_timestamp;
            m_reached = at;
            if (at == AV_NOPTS_VALUE || at >= target)
                return m_frame.get();
            av_frame_unref(m_last.get());
            av_frame_move_ref(m_last.get(), m_frame.get());
        }
        return settle && m_last->data[0] ? m_last.get() : nullptr;
    }

    std::uint64_t hashOf(const AVFrame *picture) {
        if (picture->width < 1 || picture->height < 1
            || !sws_isSupportedInput(AVPixelFormat(picture->format)))
            return 0;
        AVRational sar = picture->sample_aspect_ratio;
        if (sar.num <= 0 || sar.den <= 0)
            sar = m_video->codecpar->sample_aspect_ratio;
        const double pixelAspect = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
        const int height = std::clamp(
            int(std::lround(grayWidth * picture->height / (picture->width * pixelAspect))), 1,
            8 * grayWidth);
        m_scaler = sws_getCachedContext(m_scaler, picture->width, picture->height,
                                        AVPixelFormat(picture->format), grayWidth, height,
                                        AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr);
        if (!m_scaler)
            return 0;
        sws_setColorspaceDetails(m_scaler, sws_getCoefficients(SWS_CS_DEFAULT),
                                 picture->color_range == AVCOL_RANGE_JPEG,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        // swscale's vector code writes past the end of a row; a frame buffer has the padding.
        if (m_gray->width != grayWidth || m_gray->height != height) {
            av_frame_unref(m_gray.get());
            m_gray->format = AV_PIX_FMT_GRAY8;
            m_gray->width = grayWidth;
            m_gray->height = height;
            if (av_frame_get_buffer(m_gray.get(), 0) < 0) {
                m_gray->width = 0;
                return 0;
            }
        }
        if (sws_scale(m_scaler, picture->data, picture->linesize, 0, picture->height, m_gray->data,
                      m_gray->linesize)
            != height)
            return 0;
        std::vector<std::uint8_t> gray(std::size_t(grayWidth) * height);
        for (int y = 0; y < height; ++y)
            std::copy_n(m_gray->data[0] + std::ptrdiff_t(y) * m_gray->linesize[0], grayWidth,
                        gray.begin() + std::ptrdiff_t(y) * grayWidth);
        const int rotation = ContainerInput::displayRotation(m_video);
        const bool quarter = rotation % 180 != 0;
        const int width = quarter ? height : grayWidth;
        const int rows = quarter ? grayWidth : height;
        gray = turned(gray, grayWidth, height, rotation);
        const PictureArea area = contentArea(gray.data(), width, rows, width);
        return perceptualHash(hashImageOf(gray.data(), width, area));
    }

    ContainerInput &m_input;
    const AVStream *m_video;
    const std::int64_t m_start;
    AVCodecContext *m_decoder;
    const PacketPtr m_packet;
    const FramePtr m_frame;
    const FramePtr m_last; // the latest frame decoded before the target
    const FramePtr m_gray;
    SwsContext *m_scaler = nullptr;
    bool m_positioned = false; // the decoder follows on from a seek
    bool m_sequential = false; // seeking found nothing: every frame is decoded in order
    std::int64_t m_reached = AV_NOPTS_VALUE;
};

} // namespace

VideoFingerprint fingerprintVideo(const QByteArray &path, std::chrono::milliseconds deadline,
                                  QString *error) {
    QString opening;
    const int fd = openVideoFile(path, opening);
    if (fd < 0) {
        if (error)
            *error = opening;
        return {};
    }
    VideoFingerprint fingerprint = fingerprintVideo(fd, path, deadline, error);
    ::close(fd);
    return fingerprint;
}

VideoFingerprint fingerprintVideo(int fd, const QByteArray &name,
                                  std::chrono::milliseconds deadline, QString *error) {
    FingerprintReading reading = readFingerprint(fd, name, deadline);
    if (error)
        *error = reading.error;
    return std::move(reading.fingerprint);
}

FingerprintReading readFingerprint(int fd, const QByteArray &name,
                                   std::chrono::milliseconds deadline) {
    ContainerInput input(fd, name, deadline);
    // Running out of time says how busy the machine was, not what the file holds: the file is
    // tried again, as after a helper that hung.
    const auto failure = [&](QString error) {
        return FingerprintReading{{},
                                  std::move(error),
                                  input.deadlinePassed() ? ReadFailure::helperHung
                                  : input.readFailed()   ? ReadFailure::cannotOpen
                                                         : ReadFailure::none};
    };
    AVFormatContext *ctx = input.context();
    if (!ctx)
        return failure(input.error());
    const QString incomplete = input.completeStreamInfo();
    const AVStream *video = input.videoStream();
    if (!video)
        return failure(incomplete.isEmpty() ? QStringLiteral("no video stream") : incomplete);
    const double duration = durationSeconds(ctx, video);
    if (duration <= 0)
        return failure(QStringLiteral("the video's duration is unknown"));
    const AVCodec *codec = avcodec_find_decoder(video->codecpar->codec_id);
    if (!codec)
        return failure(QStringLiteral("no decoder for this video"));
    const CodecPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), video->codecpar) < 0)
        return failure(QStringLiteral("out of memory"));
    // A few small pictures: the cheapest decoding that keeps their shapes. Threads would only
    // add start-up time and frames of delay.
    decoder->thread_count = 1;
    decoder->flags2 |= AV_CODEC_FLAG2_FAST;
    decoder->skip_loop_filter = AVDISCARD_ALL;
    decoder->pkt_timebase = video->time_base;
    if (const int opened = avcodec_open2(decoder.get(), codec, nullptr); opened < 0)
        return failure(QStringLiteral("the decoder could not start: ") + ffmpegErrorText(opened));
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        ctx->streams[i]->discard = int(i) == video->index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    FrameSampler sampler(input, video, decoder.get());
    if (!sampler.isValid())
        return failure(QStringLiteral("out of memory"));
    const std::int64_t start = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
    FingerprintReading reading;
    reading.fingerprint.codec = avcodec_get_name(video->codecpar->codec_id);
    std::vector<std::uint64_t> &frames = reading.fingerprint.frames;
    frames.reserve(fingerprintFrameCount);
    bool decodedAny = false;
    for (int i = 0; i < fingerprintFrameCount; ++i) {
        const auto offset = std::int64_t(sampleFraction(i) * duration * AV_TIME_BASE);
        const auto hash =
            sampler.hashAt(start + av_rescale_q(offset, AV_TIME_BASE_Q, video->time_base));
        if (input.deadlinePassed())
            return failure(QStringLiteral("timed out after %1 ms").arg(deadline.count()));
        frames.push_back(hash.value_or(0));
        decodedAny = decodedAny || hash.has_value();
    }
    if (!decodedAny)
        return failure(QStringLiteral("no picture could be decoded"));
    return reading;
}

} // namespace orsenta::platform
