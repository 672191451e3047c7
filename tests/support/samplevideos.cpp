// SPDX-License-Identifier: GPL-3.0-or-later
#include "samplevideos.h"

#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace orsenta::test {

namespace {

constexpr int ffmpegTimeoutMs = 60'000;

bool runFfmpeg(const QStringList &arguments, QByteArray *output = nullptr) {
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.setStandardInputFile(QProcess::nullDevice());
    ffmpeg.start(u"ffmpeg"_s, arguments);
    if (!ffmpeg.waitForFinished(ffmpegTimeoutMs)) {
        ffmpeg.kill();
        ffmpeg.waitForFinished();
        return false;
    }
    const QByteArray text = ffmpeg.readAll();
    if (output)
        *output = text;
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
        qWarning("ffmpeg failed: %s", text.constData());
        return false;
    }
    return true;
}

QString muxer(Container container) {
    switch (container) {
    case Container::mp4:
        return u"mp4"_s;
    case Container::mov:
        return u"mov"_s;
    case Container::mkv:
        return u"matroska"_s;
    case Container::webm:
        return u"webm"_s;
    case Container::mpegts:
        return u"mpegts"_s;
    }
    return {};
}

QStringList encodeArguments(const VideoSpec &wanted, const QString &output) {
    const QString seconds = QString::number(wanted.seconds);
    // -y replaces only the empty file makeVideo has just created for it.
    QStringList args{u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-nostdin"_s, u"-y"_s};
    if (wanted.video)
        args << u"-f"_s << u"lavfi"_s << u"-i"_s
             << u"testsrc=size=%1x%2:rate=%3:duration=%4"_s.arg(wanted.width)
                    .arg(wanted.height)
                    .arg(wanted.frameRate)
                    .arg(seconds);
    if (wanted.audio)
        args << u"-f"_s << u"lavfi"_s << u"-i"_s
             << u"sine=frequency=440:duration=%1"_s.arg(seconds);
    const bool webm = wanted.container == Container::webm;
    if (wanted.video) {
        if (webm)
            args << u"-c:v"_s << u"libvpx"_s << u"-deadline"_s << u"realtime"_s << u"-cpu-used"_s
                 << u"8"_s << u"-b:v"_s << u"300k"_s;
        else
            args << u"-c:v"_s << u"libx264"_s << u"-preset"_s << u"ultrafast"_s << u"-pix_fmt"_s
                 << wanted.pixelFormat;
    }
    if (wanted.audio)
        args << u"-c:a"_s << (webm ? u"libopus"_s : u"aac"_s);
    if (wanted.creationTime)
        args << u"-metadata"_s
             << u"creation_time="_s + wanted.creationTime->toUTC().toString(Qt::ISODate);
    args << wanted.extraOutputArgs << u"-f"_s << muxer(wanted.container) << output;
    return args;
}

} // namespace

QString makeVideo(const QString &path, const VideoSpec &wanted) {
    if (!wanted.video && !wanted.audio)
        return {};
    // ffmpeg writes only into files this function has just created, so that what it removes on
    // failure is always its own.
    const auto claim = [](const QString &name) {
        return QFile(name).open(QIODevice::WriteOnly | QIODevice::NewOnly);
    };
    if (!claim(path))
        return {};
    bool made = false;
    if (wanted.rotation % 360 == 0) {
        made = runFfmpeg(encodeArguments(wanted, path));
    } else if (const QString unrotated = path + u".unrotated"_s; claim(unrotated)) {
        // ffmpeg 5 drops the rotate tag when it encodes but turns it into a display matrix when
        // it copies the streams, so the clip is made first and then copied with the tag.
        VideoSpec plain = wanted;
        plain.rotation = 0;
        made = runFfmpeg(encodeArguments(plain, unrotated))
               && runFfmpeg({u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-nostdin"_s, u"-y"_s,
                             u"-i"_s, unrotated, u"-c"_s, u"copy"_s, u"-map_metadata"_s, u"0"_s,
                             u"-metadata:s:v:0"_s, u"rotate=%1"_s.arg(wanted.rotation), u"-f"_s,
                             muxer(wanted.container), path});
        QFile::remove(unrotated);
    }
    if (!made)
        QFile::remove(path);
    return made ? path : QString();
}

bool ffmpegHasEncoder(const QString &encoder) {
    QByteArray list;
    if (!runFfmpeg({u"-hide_banner"_s, u"-encoders"_s}, &list))
        return false;
    for (const QByteArray &line : list.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 2 && fields.at(1) == encoder.toUtf8())
            return true;
    }
    return false;
}

bool writeNewFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace orsenta::test
