// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening an untrusted container with FFmpeg under the folder library's rules: only the file
// behind one open descriptor (no protocol, no playlists or references to other files), bounded
// probing, and a deadline that interrupts any read. Shared by the container probe and the frame
// grab.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

struct AVFormatContext;
struct AVStream;

namespace orsenta::platform {

// Opens `path` (raw file-system bytes) to read a video from it: never through a symbolic link,
// and only a regular file. The descriptor, or -1 with `error` saying why.
int openVideoFile(const QByteArray &path, QString &error);

class ContainerInput {
public:
    // Reads through `fd`, which stays the caller's; `name` only hints at the format.
    ContainerInput(int fd, const QByteArray &name, std::chrono::milliseconds deadline);
    ~ContainerInput();
    ContainerInput(const ContainerInput &) = delete;
    ContainerInput &operator=(const ContainerInput &) = delete;

    // Null when the file could not be opened; error() then says why.
    AVFormatContext *context() const { return m_context; }
    const QString &error() const { return m_error; }
    // Whether a read of the file itself failed (an I/O error), as opposed to what it holds.
    bool readFailed() const;
    bool deadlinePassed() const;

    // Reads packets for what the header lacks, only when it lacks something (it costs far more
    // than the header). Empty, or what could not be read.
    QString completeStreamInfo();

    // The first real video stream: cover art in an audio file is not a video.
    const AVStream *videoStream() const;
    // Degrees to turn the stored picture clockwise for display: 0, 90, 180 or 270.
    static int displayRotation(const AVStream *video);

    struct State;

private:
    std::unique_ptr<State> m_state;
    AVFormatContext *m_context = nullptr;
    QString m_error;
    std::chrono::milliseconds m_deadline;
};

QString ffmpegErrorText(int code);

} // namespace orsenta::platform
