// SPDX-License-Identifier: GPL-3.0-or-later
#include "framegrab.h"

#include "containerinput.h"
#include "ffmpegowners.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace orsenta::platform {

namespace {

// Enough to pass the packets of other streams and a long run of frames without a keyframe.
constexpr int maxPackets = 3000;
// After this many video packets without the keyframe flag, the flags are not believed.
constexpr int keyframeWait = 300;
constexpr double targetSeconds = 1.0;

GrabbedFrame failure(QString error) {
    GrabbedFrame frame;
    frame.error = std::move(error);
    return frame;
}

// The first keyframe at or after a moment near the start, else the last one before it, else
// wherever the file starts.
void seekNearStart(AVFormatContext *ctx, const AVStream *video) {
    double duration = ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0
                          ? double(ctx->duration) / AV_TIME_BASE
                          : 0;
    if (duration <= 0 && video->duration != AV_NOPTS_VALUE && video->duration > 0)
        duration = double(video->duration) * av_q2d(video->time_base);
    if (duration <= 0)
        return;
    const double seconds = std::min(targetSeconds, duration / 2);
    std::int64_t target =
        av_rescale_q(std::int64_t(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, video->time_base);
    if (video->start_time != AV_NOPTS_VALUE)
        target += video->start_time;
    if (av_seek_frame(ctx, video->index, target, 0) >= 0)
        return;
    if (av_seek_frame(ctx, video->index, target, AVSEEK_FLAG_BACKWARD) >= 0)
        return;
    av_seek_frame(ctx, video->index, video->start_time != AV_NOPTS_VALUE ? video->start_time : 0,
                  AVSEEK_FLAG_BACKWARD);
}

bool decodeOneFrame(ContainerInput &input, const AVStream *video, AVCodecContext *decoder,
                    AVFrame *frame, QString &error) {
    AVFormatContext *ctx = input.context();
    const PacketPtr packet(av_packet_alloc());
    if (!packet) {
        error = QStringLiteral("out of memory");
        return false;
    }
    bool keysOnly = true;
    int withoutKey = 0;
    for (int read = 0; read < maxPackets && !input.deadlinePassed(); ++read) {
        const int got = av_read_frame(ctx, packet.get());
        if (got < 0) {
            // The end, or a broken file: whatever the decoder still holds is all there is.
            avcodec_send_packet(decoder, nullptr);
            if (avcodec_receive_frame(decoder, frame) == 0)
                return true;
            error = got == AVERROR_EOF ? QStringLiteral("no picture could be decoded")
                                       : QStringLiteral("reading failed: ") + ffmpegErrorText(got);
            return false;
        }
        const bool ours = packet->stream_index == video->index;
        const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        if (!ours || (keysOnly && !key)) {
            av_packet_unref(packet.get());
            if (ours && ++withoutKey >= keyframeWait) {
                keysOnly = false;
                decoder->skip_frame = AVDISCARD_DEFAULT;
            }
            continue;
        }
        const int sent = avcodec_send_packet(decoder, packet.get());
        av_packet_unref(packet.get());
        if (sent < 0 && sent != AVERROR(EAGAIN))
            continue; // a damaged packet; the next keyframe may do
        if (avcodec_receive_frame(decoder, frame) == 0)
            return true;
        if (keysOnly) {
            // Decoders that reorder frames hold the keyframe back; draining hands it over now
            // instead of after more packets that would only be thrown away.
            avcodec_send_packet(decoder, nullptr);
            if (avcodec_receive_frame(decoder, frame) == 0)
                return true;
            avcodec_flush_buffers(decoder);
        }
    }
    error = input.deadlinePassed() ? QStringLiteral("timed out decoding a picture")
                                   : QStringLiteral("no picture within the first packets");
    return false;
}

// The scaled picture as tightly packed rows, turned clockwise by `degrees` (a multiple of 90).
QByteArray packTurned(const AVFrame *rgb, int degrees) {
    const int width = rgb->width;
    const int height = rgb->height;
    QByteArray out(qsizetype(width) * height * 3, Qt::Uninitialized);
    auto *dst = reinterpret_cast<unsigned char *>(out.data());
    const int outWidth = degrees % 180 == 0 ? width : height;
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = rgb->data[0] + std::ptrdiff_t(y) * rgb->linesize[0];
        if (degrees == 0) {
            std::memcpy(dst + std::size_t(y) * width * 3, row, std::size_t(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            int ox = x;
            int oy = y;
            if (degrees == 90) {
                ox = height - 1 - y;
                oy = x;
            } else if (degrees == 180) {
                ox = width - 1 - x;
                oy = height - 1 - y;
            } else {
                ox = y;
                oy = width - 1 - x;
            }
            std::memcpy(dst + (std::size_t(oy) * outWidth + ox) * 3, row + std::size_t(x) * 3, 3);
        }
    }
    return out;
}

} // namespace

GrabbedFrame grabFrame(const QByteArray &path, int width, int height, FrameFit fit,
                       std::chrono::milliseconds deadline) {
    QString error;
    const int fd = openVideoFile(path, error);
    if (fd < 0)
        return failure(error);
    GrabbedFrame frame = grabFrame(fd, path, width, height, fit, deadline);
    ::close(fd);
    return frame;
}

GrabbedFrame grabFrame(int fd, const QByteArray &name, int width, int height, FrameFit fit,
                       std::chrono::milliseconds deadline) {
    if (width < 1 || height < 1 || width > maxFrameSide || height > maxFrameSide)
        return failure(
            QStringLiteral("a picture of %1 x %2 pixels cannot be made").arg(width).arg(height));
    ContainerInput input(fd, name, deadline);
    AVFormatContext *ctx = input.context();
    if (!ctx)
        return failure(input.error());
    // Reading packets to learn the streams costs more than all the rest; the header usually
    // says enough.
    const QString incomplete = input.completeStreamInfo();
    const AVStream *video = input.videoStream();
    if (!video)
        return failure(incomplete.isEmpty() ? QStringLiteral("no video stream") : incomplete);
    const AVCodec *codec = avcodec_find_decoder(video->codecpar->codec_id);
    if (!codec)
        return failure(QStringLiteral("no decoder for this video"));
    const CodecPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), video->codecpar) < 0)
        return failure(QStringLiteral("out of memory"));
    // One frame: threads would only add start-up time.
    decoder->thread_count = 1;
    decoder->pkt_timebase = video->time_base;
    decoder->skip_frame = AVDISCARD_NONKEY;
    if (const int opened = avcodec_open2(decoder.get(), codec, nullptr); opened < 0)
        return failure(QStringLiteral("the decoder could not start: ") + ffmpegErrorText(opened));
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        ctx->streams[i]->discard = int(i) == video->index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    seekNearStart(ctx, video);
    const FramePtr frame(av_frame_alloc());
    QString error;
    if (!frame || !decodeOneFrame(input, video, decoder.get(), frame.get(), error))
        return failure(error);
    if (frame->width < 1 || frame->height < 1
        || !sws_isSupportedInput(AVPixelFormat(frame->format)))
        return failure(QStringLiteral("the decoded picture cannot be converted"));

    // The shape as displayed: non-square pixels stretched, then turned.
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = video->codecpar->sample_aspect_ratio;
    const double pixelAspect = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
    const int rotation = ContainerInput::displayRotation(video);
    const bool quarter = rotation % 180 != 0;
    const double storedWidth = frame->width * pixelAspect; // in square pixels
    const double storedHeight = frame->height;

    // Everything below works on the stored picture; the turn comes last.
    int outWidth = 0;
    int outHeight = 0;
    if (fit == FrameFit::fill) {
        outWidth = quarter ? height : width;
        outHeight = quarter ? width : height;
        const double wanted = double(outWidth) / outHeight;
        if (storedWidth / storedHeight > wanted) {
            const double keep = storedHeight * wanted / pixelAspect;
            // At least one column stays, however thin the box.
            const long crop =
                std::clamp(std::lround((frame->width - keep) / 2), 0L, long(frame->width - 1) / 2);
            frame->crop_left = std::size_t(crop);
            frame->crop_right = std::size_t(crop);
        } else {
            const double keep = storedWidth / wanted;
            const long crop = std::clamp(std::lround((frame->height - keep) / 2), 0L,
                                         long(frame->height - 1) / 2);
            frame->crop_top = std::size_t(crop);
            frame->crop_bottom = std::size_t(crop);
        }
        if (av_frame_apply_cropping(frame.get(), AV_FRAME_CROP_UNALIGNED) < 0)
            return failure(QStringLiteral("the picture could not be cropped"));
    } else {
        const double boxWidth = quarter ? height : width;
        const double boxHeight = quarter ? width : height;
        const double scale = std::min({boxWidth / storedWidth, boxHeight / storedHeight, 1.0});
        outWidth = std::clamp(int(std::lround(storedWidth * scale)), 1, maxFrameSide);
        outHeight = std::clamp(int(std::lround(storedHeight * scale)), 1, maxFrameSide);
    }

    const ScalerPtr scaler(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                          outWidth, outHeight, AV_PIX_FMT_RGB24, SWS_BILINEAR,
                                          nullptr, nullptr, nullptr));
    if (!scaler)
        return failure(QStringLiteral("the picture cannot be scaled"));
    const int *coefficients =
        sws_getCoefficients(frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
    sws_setColorspaceDetails(scaler.get(), coefficients, frame->color_range == AVCOL_RANGE_JPEG,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    // swscale's vector code writes whole blocks of pixels, past the end of a row and of the
    // last one; a frame buffer has the padding and alignment it counts on.
    const FramePtr scaled(av_frame_alloc());
    if (!scaled)
        return failure(QStringLiteral("out of memory"));
    scaled->format = AV_PIX_FMT_RGB24;
    scaled->width = outWidth;
    scaled->height = outHeight;
    if (av_frame_get_buffer(scaled.get(), 0) < 0)
        return failure(QStringLiteral("out of memory"));
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, scaled->data,
                  scaled->linesize)
        != outHeight)
        return failure(QStringLiteral("the picture could not be scaled"));

    GrabbedFrame result;
    result.pixels = packTurned(scaled.get(), rotation);
    result.width = quarter ? outHeight : outWidth;
    result.height = quarter ? outWidth : outHeight;
    return result;
}

} // namespace orsenta::platform
