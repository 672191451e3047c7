// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads video containers, decodes thumbnails and fingerprints videos in the orsenta-probe
// helper process, so that a
// demuxer or decoder that crashes or hangs on a hostile file costs that one file and never the
// application.
//
// One helper per MediaProbe, started at the first request and kept for the next ones. The
// probe opens each file itself and hands the helper only its descriptor. When the helper
// crashes, stops answering within the watchdog or answers something unreadable, it is killed
// and reaped, the file gets opened=false with an explanation and a ReadFailure saying the read
// was lost rather than refused, and the next request starts a new helper.
//
// Every member is safe to call from any thread, including threads without an event loop;
// requests are answered one at a time.

#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/fingerprinter.h"
#include "library/platform/folder/framegrab.h"
#include "library/platform/folder/probeprotocol.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/types.h>

namespace orsenta::platform {

class MediaProbe {
public:
    explicit MediaProbe(QString helperPath,
                        std::chrono::milliseconds watchdog = std::chrono::seconds(10));
    // Closes the helper's input so that it exits, and reaps it.
    ~MediaProbe();
    MediaProbe(const MediaProbe &) = delete;
    MediaProbe &operator=(const MediaProbe &) = delete;

    // Blocks until the helper answers or the watchdog fires. Never throws. failure is
    // cannotOpen when the file cannot be opened, helperDied or helperHung when the helper was
    // lost reading it (or could not be started), none when the answer is the file's own.
    ContainerInfo probe(const QByteArray &path);
    // One picture of the video, decoded in the helper (see grabFrame). Never throws.
    GrabbedFrame thumbnail(const QByteArray &path, int width, int height, FrameFit fit);
    // The video's fingerprint, read in the helper (see fingerprintVideo), with
    // fingerprintWatchdogFactor times the watchdog. Never throws; failure as for probe.
    FingerprintReading fingerprint(const QByteArray &path);
    static constexpr int fingerprintWatchdogFactor = 12;

    // How many helpers were killed for crashing, hanging or answering garbage.
    int restarts() const { return m_restarts.load(); }
    // The running helper's process id, or -1; for tests that check reaping.
    pid_t helperPid() const;

private:
    enum class Exchange { answered, refused, crashed, timedOut, garbage };

    static std::chrono::milliseconds helperDeadline(std::chrono::milliseconds watchdog);
    // One request and its answer, with the helper replaced when it fails; the answer's payload,
    // or nothing with `error` saying why.
    // `file` goes to the helper with the request.
    std::optional<QByteArray>
    call(probeprotocol::Kind kind, const std::function<QByteArray()> &encode, int file,
         probeprotocol::Kind answerKind, const std::function<bool(const QByteArray &)> &valid,
         QString &error, ReadFailure &failure, std::chrono::milliseconds watchdog);
    bool ensureStarted(QString &error);
    Exchange request(const QByteArray &frame, int file, probeprotocol::Kind answerKind,
                     const std::function<bool(const QByteArray &)> &valid, QByteArray &answer,
                     QString &refusal, std::chrono::milliseconds watchdog);
    // Kills the helper if it still runs, reaps it, and says how it ended.
    QString stopHelper(bool kill);

    const QByteArray m_helperPath;
    const std::chrono::milliseconds m_watchdog;
    mutable std::mutex m_mutex;
    pid_t m_pid = -1;
    int m_socket = -1;
    std::atomic<int> m_restarts{0};
};

} // namespace orsenta::platform
