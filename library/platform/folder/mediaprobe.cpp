// SPDX-License-Identifier: GPL-3.0-or-later
#include "mediaprobe.h"

#include "library/platform/folder/containerinput.h"
#include "library/platform/folder/probeprotocol.h"

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace orsenta::platform {

namespace protocol = probeprotocol;
using namespace std::chrono;

namespace {

using Clock = steady_clock;

enum class Io { ok, closed, timedOut, outOfStep };

// Loading the helper and FFmpeg can take a while on a busy machine; that is not a hang.
constexpr milliseconds minimumStartTimeout = seconds(5);
constexpr milliseconds exitTimeout = seconds(1);

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = ceil<milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<decltype(left)>(left, 0, INT_MAX));
}

Io waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd watched{fd, events, 0};
        const int ready = ::poll(&watched, 1, millisecondsLeft(deadline));
        if (ready > 0)
            return Io::ok; // errors and hang-ups surface in the send or recv that follows
        if (ready == 0)
            return Io::timedOut;
        if (errno != EINTR)
            return Io::closed;
    }
}

// Sends `file` (unless -1) as SCM_RIGHTS with the first bytes of `data`, where the helper
// expects it: with the start of its request.
ssize_t sendChunk(int fd, const char *data, std::size_t size, int file) {
    // MSG_NOSIGNAL: a helper that died must not take the application down with SIGPIPE.
    constexpr int flags = MSG_NOSIGNAL | MSG_DONTWAIT;
    if (file < 0)
        return ::send(fd, data, size, flags);
    iovec bytes{const_cast<char *>(data), size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &bytes;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &file, sizeof(int));
    return ::sendmsg(fd, &message, flags);
}

Io sendAll(int fd, const QByteArray &data, int file, Clock::time_point deadline) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = sendChunk(fd, data.constData() + done, std::size_t(data.size() - done),
                                    done == 0 ? file : -1);
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const Io waited = waitFor(fd, POLLOUT, deadline); waited != Io::ok)
                return waited;
        } else if (n == 0 || errno != EINTR) {
            return Io::closed;
        }
    }
    return Io::ok;
}

// Reads in large chunks and polls before each read: an answer usually arrives whole, in one
// read, and the request is never answered before it is sent.
Io receiveFrame(int fd, protocol::Kind &kind, QByteArray &payload, Clock::time_point deadline) {
    QByteArray received;
    std::optional<protocol::FrameHeader> header;
    for (;;) {
        if (!header && received.size() >= protocol::headerSize) {
            header = protocol::decodeHeader(received);
            if (!header)
                return Io::outOfStep;
        }
        if (header && received.size() >= protocol::headerSize + qsizetype(header->length)) {
            // One request, one frame: anything more is not an answer to it.
            if (received.size() > protocol::headerSize + qsizetype(header->length))
                return Io::outOfStep;
            kind = header->kind;
            payload = received.mid(protocol::headerSize);
            return Io::ok;
        }
        if (const Io waited = waitFor(fd, POLLIN, deadline); waited != Io::ok)
            return waited;
        char chunk[16 * 1024];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0)
            received.append(chunk, n);
        else if (n == 0)
            return Io::closed;
        else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return Io::closed;
    }
}

// Between requests the helper says nothing; a readable socket means it hung up or babbled.
bool isIdle(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 0) == 0;
}

bool waitForExit(pid_t pid, milliseconds timeout) {
#ifdef SYS_pidfd_open
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0)
        return false;
    const Io io = waitFor(pidfd, POLLIN, Clock::now() + timeout);
    ::close(pidfd);
    return io == Io::ok;
#else
    return false;
#endif
}

QString describeEnd(int status) {
    if (WIFSIGNALED(status)) {
        // sigdescr_np, unlike strsignal, is safe on any thread.
        const char *name = sigdescr_np(WTERMSIG(status));
        return QStringLiteral(" (signal %1, %2)")
            .arg(WTERMSIG(status))
            .arg(QString::fromUtf8(name ? name : "unknown"));
    }
    if (WIFEXITED(status))
        return QStringLiteral(" (exit status %1)").arg(WEXITSTATUS(status));
    return {};
}

} // namespace

MediaProbe::MediaProbe(QString helperPath, milliseconds watchdog)
    : m_helperPath(QFile::encodeName(helperPath))
    , m_watchdog(std::max(watchdog, milliseconds(1))) {}

MediaProbe::~MediaProbe() {
    const std::lock_guard lock(m_mutex);
    stopHelper(false);
}

pid_t MediaProbe::helperPid() const {
    const std::lock_guard lock(m_mutex);
    return m_pid;
}

ContainerInfo MediaProbe::probe(const QByteArray &path) {
    ContainerInfo info;
    const int file = openVideoFile(path, info.error);
    if (file < 0) {
        info.failure = ReadFailure::cannotOpen;
        return info;
    }
    const auto closeFile = qScopeGuard([&] { ::close(file); });
    QString error;
    ReadFailure failure = ReadFailure::none;
    const auto payload = call(
        protocol::Kind::probe,
        [&] {
            return protocol::encodeProbeRequest({helperDeadline(m_watchdog), path});
        },
        file, protocol::Kind::probeAnswer,
        [](const QByteArray &answer) { return protocol::decodeProbeAnswer(answer).has_value(); },
        error, failure, m_watchdog);
    if (payload) {
        info = *protocol::decodeProbeAnswer(*payload);
    } else {
        info.error = error;
        info.failure = failure;
    }
    return info;
}

GrabbedFrame MediaProbe::thumbnail(const QByteArray &path, int width, int height, FrameFit fit) {
    QString error;
    const int file = openVideoFile(path, error);
    if (file < 0) {
        GrabbedFrame frame;
        frame.error = error;
        return frame;
    }
    const auto closeFile = qScopeGuard([&] { ::close(file); });
    ReadFailure failure = ReadFailure::none;
    const auto payload = call(
        protocol::Kind::thumbnail,
        [&] {
            return protocol::encodeThumbnailRequest(
                {helperDeadline(m_watchdog), width, height, fit, path});
        },
        file, protocol::Kind::thumbnailAnswer,
        [](const QByteArray &answer) {
            return protocol::decodeThumbnailAnswer(answer).has_value();
        },
        error, failure, m_watchdog);
    GrabbedFrame frame;
    if (payload)
        frame = *protocol::decodeThumbnailAnswer(*payload);
    else
        frame.error = error;
    return frame;
}

FingerprintReading MediaProbe::fingerprint(const QByteArray &path) {
    FingerprintReading reading;
    const int file = openVideoFile(path, reading.error);
    if (file < 0) {
        reading.failure = ReadFailure::cannotOpen;
        return reading;
    }
    const auto closeFile = qScopeGuard([&] { ::close(file); });
    QString error;
    ReadFailure failure = ReadFailure::none;
    // A fingerprint decodes dozens of frames where a probe reads a header: a long 4K video
    // takes its time, and is not taken for a stuck helper.
    const milliseconds watchdog = m_watchdog * fingerprintWatchdogFactor;
    const auto payload = call(
        protocol::Kind::fingerprint,
        [&] {
            return protocol::encodeProbeRequest({helperDeadline(watchdog), path});
        },
        file, protocol::Kind::fingerprintAnswer,
        [](const QByteArray &answer) {
            return protocol::decodeFingerprintAnswer(answer).has_value();
        },
        error, failure, watchdog);
    if (payload) {
        reading = *protocol::decodeFingerprintAnswer(*payload);
    } else {
        reading.error = error;
        reading.failure = failure;
    }
    return reading;
}

std::chrono::milliseconds MediaProbe::helperDeadline(milliseconds watchdog) {
    // The helper gives up on a slow file by itself a little before the watchdog would kill it,
    // so that only a helper that is truly stuck is replaced.
    return std::max(watchdog * 3 / 4, milliseconds(1));
}

std::optional<QByteArray>
MediaProbe::call(protocol::Kind kind, const std::function<QByteArray()> &encode, int file,
                 protocol::Kind answerKind, const std::function<bool(const QByteArray &)> &valid,
                 QString &error, ReadFailure &failure, milliseconds watchdog) {
    const std::lock_guard lock(m_mutex);
    // Whatever goes wrong below says nothing about the file, but a refused request.
    failure = ReadFailure::helperDied;
    try {
        // A helper that died while idle (the out-of-memory killer, a user) is replaced before the
        // request, so that the file is not blamed for it.
        if (m_pid > 0 && !isIdle(m_socket)) {
            stopHelper(true);
            ++m_restarts;
        }
        if (!ensureStarted(error)) {
            failure = ReadFailure::helperUnavailable;
            return std::nullopt;
        }
        QByteArray answer;
        const Exchange exchange = request(protocol::encodeFrame(kind, encode()), file, answerKind,
                                          valid, answer, error, watchdog);
        if (exchange == Exchange::answered || exchange == Exchange::refused)
            failure = ReadFailure::none;
        if (exchange == Exchange::answered)
            return answer;
        if (exchange == Exchange::refused)
            return std::nullopt;
        if (exchange == Exchange::timedOut)
            failure = ReadFailure::helperHung;
        switch (exchange) {
        case Exchange::crashed:
            error = QStringLiteral("the probe helper stopped while reading this file");
            break;
        case Exchange::timedOut:
            error = QStringLiteral("the probe helper did not answer within %1 ms")
                        .arg(watchdog.count());
            break;
        default:
            error = QStringLiteral("the probe helper gave an unreadable answer");
            break;
        }
        // How a crashed helper ended says what went wrong; one that was killed, not.
        const QString ended = stopHelper(true);
        if (exchange == Exchange::crashed)
            error += ended;
        ++m_restarts;
    } catch (...) {
        // Running out of memory halfway through an exchange leaves the stream out of step.
        if (m_pid > 0) {
            stopHelper(true);
            ++m_restarts;
        }
        error = QStringLiteral("out of memory");
    }
    return std::nullopt;
}

bool MediaProbe::ensureStarted(QString &error) {
    if (m_pid > 0)
        return true;
    int ends[2];
    // Close-on-exec, so that no other child of the application holds the helper's end open and
    // hides its death.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        error = QStringLiteral("could not connect to the probe helper: %1")
                    .arg(QString::fromUtf8(std::strerror(errno)));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    // Descriptors the application opened without close-on-exec stay out of the helper.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The helper starts with no blocked signals and SIGPIPE at its default, whatever the
    // spawning thread had.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    QByteArray program = m_helperPath;
    char *argv[] = {program.data(), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(ends[1]);
    if (spawned != 0) {
        ::close(ends[0]);
        error =
            QStringLiteral("could not start the probe helper %1: %2")
                .arg(QFile::decodeName(m_helperPath), QString::fromUtf8(std::strerror(spawned)));
        return false;
    }
    m_pid = pid;
    m_socket = ends[0];

    protocol::Kind kind{};
    QByteArray payload;
    const Io io = receiveFrame(m_socket, kind, payload,
                               Clock::now() + std::max(m_watchdog, minimumStartTimeout));
    if (io == Io::ok && kind == protocol::Kind::hello && protocol::isCompatibleHello(payload))
        return true;
    error = QStringLiteral("the probe helper %1 did not start").arg(QFile::decodeName(m_helperPath))
            + stopHelper(true);
    return false;
}

MediaProbe::Exchange MediaProbe::request(const QByteArray &frame, int file,
                                         protocol::Kind answerKind,
                                         const std::function<bool(const QByteArray &)> &valid,
                                         QByteArray &answer, QString &refusal,
                                         milliseconds watchdog) {
    const auto deadline = Clock::now() + watchdog;
    const auto failure = [](Io io) {
        return io == Io::timedOut ? Exchange::timedOut
               : io == Io::closed ? Exchange::crashed
                                  : Exchange::garbage;
    };
    if (const Io sent = sendAll(m_socket, frame, file, deadline); sent != Io::ok)
        return failure(sent);

    protocol::Kind kind{};
    if (const Io received = receiveFrame(m_socket, kind, answer, deadline); received != Io::ok)
        return failure(received);
    if (kind == protocol::Kind::error) {
        refusal =
            QStringLiteral("the probe helper refused the request: ") + QString::fromUtf8(answer);
        return Exchange::refused;
    }
    if (kind != answerKind || !valid(answer))
        return Exchange::garbage;
    return Exchange::answered;
}

QString MediaProbe::stopHelper(bool kill) {
    if (m_socket >= 0) {
        ::close(m_socket); // the helper sees the end of its input and exits
        m_socket = -1;
    }
    if (m_pid <= 0)
        return {};
    const pid_t pid = std::exchange(m_pid, -1);
    if (kill || !waitForExit(pid, exitTimeout))
        ::kill(pid, SIGKILL);
    int status = 0;
    pid_t reaped = -1;
    do {
        reaped = ::waitpid(pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    // Without a status (someone set SIGCHLD to be ignored) there is nothing more to say.
    return reaped == pid ? describeEnd(status) : QString();
}

} // namespace orsenta::platform
