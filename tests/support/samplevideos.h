// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real, small video files made with the ffmpeg command-line tool, for tests of code that reads
// containers. A one-second 320x240 clip takes a fraction of a second to make.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace orsenta::test {

enum class Container { mp4, mov, mkv, webm, mpegts };

struct VideoSpec {
    int width = 320; // even, unless the pixel format has full-size colour planes (yuv444p)
    int height = 240;
    double seconds = 1.0;
    int frameRate = 10;
    // ffmpeg's rotate tag, stored as the track's display matrix, which (as ffmpeg 5 writes it)
    // turns the picture this many degrees anticlockwise for display. Only mp4 and mov carry it.
    int rotation = 0;
    std::optional<QDateTime> creationTime; // the container's creation_time tag
    Container container = Container::mp4;
    bool video = true;
    bool audio = false;
    QString pixelFormat = QStringLiteral("yuv420p"); // of the H.264 encoding
    QStringList extraOutputArgs;                     // e.g. {"-movflags", "+faststart"}
};

// Makes the file at `path` (which must not exist yet; nothing is ever overwritten) and returns
// `path`, or an empty string when ffmpeg is missing or fails.
QString makeVideo(const QString &path, const VideoSpec &wanted);

// Whether the installed ffmpeg has an encoder, such as "libvpx" for WebM.
bool ffmpegHasEncoder(const QString &encoder);

// Writes `bytes` to a file that must not exist yet.
bool writeNewFile(const QString &path, const QByteArray &bytes);

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);

} // namespace orsenta::test
