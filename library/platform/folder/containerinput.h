#pragma once
// Opening an untrusted container with FFmpeg under the folder library's rules: only the named
// file (no other protocol, no playlists or references to other files), bounded probing, and a
// deadline that interrupts any blocking read. Shared by the container probe and the frame grab.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

struct AVFormatContext;
struct AVStream;

namespace orsenta::platform {

class ContainerInput {
public:
    ContainerInput(const QByteArray &path, std::chrono::milliseconds deadline);
    ~ContainerInput();
    ContainerInput(const ContainerInput &) = delete;
    ContainerInput &operator=(const ContainerInput &) = delete;

    // Null when the file could not be opened; error() then says why.
    AVFormatContext *context() const { return m_context; }
    const QString &error() const { return m_error; }
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
