// SPDX-License-Identifier: GPL-3.0-or-later
// orsenta-probe: opens, decodes and fingerprints untrusted video files for the application, so that
// a demuxer or decoder that crashes or hangs takes down this process and not the application. It
// answers requests on stdin and stdout, a socket (see probeprotocol.h), until stdin closes, then
// exits with status 0. It never opens a video itself: each request brings the file's descriptor,
// and before it says hello it confines itself (see confinement.h) so that it could not open one.
//
// `orsenta-probe --confined-try OPERATION PATH` confines itself the same way, tries one
// operation the filter is about (open, create, execute, socket, socketpair, io_uring, or read
// from a file opened before confinement) and prints the errno it got, 0 for success.
//
// Test hooks: when ORSENTA_PROBE_TEST_CRASH_ON, ORSENTA_PROBE_TEST_KILL_ON,
// ORSENTA_PROBE_TEST_HANG_ON or ORSENTA_PROBE_TEST_GARBAGE_ON holds a non-empty text, a request
// for a path containing it aborts, is killed, never answers, or answers with bytes that are not
// a frame.

#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/fingerprinter.h"
#include "library/platform/folder/framegrab.h"
#include "library/platform/folder/probehelper/confinement.h"
#include "library/platform/folder/probeprotocol.h"

#include <QByteArray>
#include <QScopeGuard>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace orsenta::platform;
namespace protocol = orsenta::platform::probeprotocol;

namespace {

enum class ReadResult { complete, endOfInput, broken };

// Reads the input in large chunks, so that a request usually costs one read, and keeps the
// descriptors that come with it by the stretch of the stream they arrived with.
//
// A Unix socket ends a read just after the part of the stream that carried descriptors, and the
// client sends a descriptor with the first byte of its request; so a descriptor belongs to the
// last request that starts within the stretch read with it.
class Input {
public:
    explicit Input(int fd)
        : m_fd(fd) {}
    ~Input() {
        for (const Arrival &arrival : m_files)
            ::close(arrival.file);
    }
    Input(const Input &) = delete;
    Input &operator=(const Input &) = delete;

    // Where the next byte taken lies in the stream.
    qint64 position() const { return m_position; }

    ReadResult take(qsizetype size, QByteArray &out) {
        while (m_pending.size() < size) {
            const ReadResult got = receive();
            if (got == ReadResult::endOfInput && !m_pending.isEmpty())
                return ReadResult::broken;
            if (got != ReadResult::complete)
                return got;
        }
        out = m_pending.left(size);
        m_pending.remove(0, size);
        m_position += size;
        return ReadResult::complete;
    }

    // The descriptor that came with the request from `start` to the current position, or -1.
    // Those that came with earlier bytes belong to nothing any more and are closed.
    int takeFile(qint64 start) {
        int found = -1;
        while (!m_files.empty() && m_files.front().end <= m_position) {
            const Arrival arrival = m_files.front();
            m_files.erase(m_files.begin());
            if (found < 0 && arrival.begin <= start && start < arrival.end)
                found = arrival.file;
            else
                ::close(arrival.file);
        }
        return found;
    }

private:
    ReadResult receive() {
        char chunk[16 * 1024];
        iovec bytes{chunk, sizeof chunk};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 8)];
        msghdr message{};
        message.msg_iov = &bytes;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(m_fd, &message, MSG_CMSG_CLOEXEC);
        if (n < 0)
            return errno == EINTR ? ReadResult::complete : ReadResult::broken;
        const qint64 begin = m_position + m_pending.size();
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS)
                continue;
            const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int file = -1;
                std::memcpy(&file, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
                m_files.push_back({begin, begin + n, file});
            }
        }
        if (n == 0)
            return ReadResult::endOfInput;
        m_pending.append(chunk, n);
        return ReadResult::complete;
    }

    struct Arrival {
        qint64 begin; // the stretch of the stream read with the descriptor
        qint64 end;
        int file;
    };

    int m_fd;
    QByteArray m_pending;
    qint64 m_position = 0;
    std::vector<Arrival> m_files;
};

bool writeAll(int fd, const QByteArray &data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, std::size_t(data.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            return false;
    }
    return true;
}

QByteArray testHook(const char *name) {
    const char *value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

struct TestHooks {
    QByteArray crashOn = testHook("ORSENTA_PROBE_TEST_CRASH_ON");
    QByteArray killOn = testHook("ORSENTA_PROBE_TEST_KILL_ON");
    QByteArray hangOn = testHook("ORSENTA_PROBE_TEST_HANG_ON");
    QByteArray garbageOn = testHook("ORSENTA_PROBE_TEST_GARBAGE_ON");

    static bool matches(const QByteArray &hook, const QByteArray &path) {
        return !hook.isEmpty() && path.contains(hook);
    }

    // Returns false when the answer must not be sent.
    bool misbehave(const QByteArray &path, int out) const {
        if (matches(crashOn, path)) {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore); // a deliberate crash is not worth a core file
            std::abort();
        }
        if (matches(killOn, path))
            ::raise(SIGKILL);
        if (matches(hangOn, path)) {
            for (;;)
                pause();
        }
        if (matches(garbageOn, path)) {
            writeAll(out, QByteArrayLiteral("this is not a frame\n"));
            return false;
        }
        return true;
    }
};

// Moves the protocol onto private descriptors and points 0 and 1 elsewhere, so that a library
// that prints to stdout or reads stdin cannot corrupt the stream.
bool takeStandardStreams(int &in, int &out) {
    in = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    out = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || out < 0 || null < 0)
        return false;
    return dup2(null, STDIN_FILENO) >= 0 && dup2(STDERR_FILENO, STDOUT_FILENO) >= 0
           && close(null) == 0;
}

int serve(int in, int out) {
    const TestHooks hooks;
    if (!writeAll(out, protocol::encodeFrame(protocol::Kind::hello, protocol::encodeHello())))
        return 1;
    Input input(in);
    for (;;) {
        const qint64 start = input.position();
        QByteArray headerBytes;
        const ReadResult headerRead = input.take(protocol::headerSize, headerBytes);
        if (headerRead == ReadResult::endOfInput)
            return 0;
        if (headerRead == ReadResult::broken)
            return 1;
        const auto header = protocol::decodeHeader(headerBytes);
        if (!header)
            return 1; // out of step: nothing after this can be trusted
        QByteArray payload;
        if (input.take(qsizetype(header->length), payload) != ReadResult::complete)
            return 1;
        const int file = input.takeFile(start);
        const auto closeFile = qScopeGuard([&] {
            if (file >= 0)
                ::close(file);
        });

        QByteArray answer;
        const auto malformed = [&] {
            return protocol::encodeFrame(protocol::Kind::error,
                                         QByteArrayLiteral("malformed request ")
                                             + QByteArray::number(int(header->kind)));
        };
        if (header->kind == protocol::Kind::probe) {
            auto request = protocol::decodeProbeRequest(payload);
            if (file < 0)
                request.reset();
            if (request && !hooks.misbehave(request->path, out))
                continue;
            answer = request ? protocol::encodeFrame(protocol::Kind::probeAnswer,
                                                     protocol::encodeProbeAnswer(probeContainer(
                                                         file, request->path, request->deadline)))
                             : malformed();
        } else if (header->kind == protocol::Kind::thumbnail) {
            auto request = protocol::decodeThumbnailRequest(payload);
            if (file < 0)
                request.reset();
            if (request && !hooks.misbehave(request->path, out))
                continue;
            answer = request ? protocol::encodeFrame(
                         protocol::Kind::thumbnailAnswer,
                         protocol::encodeThumbnailAnswer(
                             grabFrame(file, request->path, request->width, request->height,
                                       request->fit, request->deadline)))
                             : malformed();
        } else if (header->kind == protocol::Kind::fingerprint) {
            auto request = protocol::decodeProbeRequest(payload);
            if (file < 0)
                request.reset();
            if (request && !hooks.misbehave(request->path, out))
                continue;
            answer = request
                         ? protocol::encodeFrame(protocol::Kind::fingerprintAnswer,
                                                 protocol::encodeFingerprintAnswer(readFingerprint(
                                                     file, request->path, request->deadline)))
                         : malformed();
        } else {
            answer = protocol::encodeFrame(protocol::Kind::error,
                                           QByteArrayLiteral("unknown request ")
                                               + QByteArray::number(int(header->kind)));
        }
        if (!writeAll(out, answer))
            return 1;
    }
}

// The sanitizers' leak check reads /proc and stops threads with ptrace, which confinement
// refuses; it runs once here instead of at exit.
void checkLeaksBeforeConfinement() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
}

bool confineOrSay() {
    checkLeaksBeforeConfinement();
    QString error;
    if (probehelper::confine(error))
        return true;
    std::fprintf(stderr, "orsenta-probe: cannot confine itself: %s\n", qPrintable(error));
    return false;
}

// One operation under confinement; errno, or 0 when it succeeded.
int tryConfined(const QByteArray &operation, const char *path) {
    const int before = operation == "read" ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (!confineOrSay())
        return -1;
    errno = 0;
    int result = -1;
    if (operation == "open") {
        result = ::open(path, O_RDONLY | O_CLOEXEC);
    } else if (operation == "create") {
        result = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } else if (operation == "execute") {
        char *const argv[] = {const_cast<char *>(path), nullptr};
        result = ::execve(path, argv, environ);
    } else if (operation == "socket") {
        result = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    } else if (operation == "socketpair") {
        int ends[2];
        result = ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends);
    } else if (operation == "io_uring") {
        char params[120] = {}; // struct io_uring_params, which only has to be readable here
        result = int(::syscall(SYS_io_uring_setup, 1, params));
    } else if (operation == "read") {
        char byte = 0;
        result = before < 0 ? -1 : int(::read(before, &byte, 1));
    } else {
        return -1;
    }
    return result >= 0 ? 0 : errno;
}

} // namespace

int main(int argc, char **argv) {
    av_log_set_level(std::getenv("ORSENTA_PROBE_LOG") ? AV_LOG_WARNING : AV_LOG_QUIET);
    if (argc == 4 && std::strcmp(argv[1], "--confined-try") == 0) {
        const int got = tryConfined(argv[2], argv[3]);
        std::printf("%d\n", got);
        return got < 0 ? 1 : 0;
    }
    int in = -1;
    int out = -1;
    if (!takeStandardStreams(in, out) || !confineOrSay())
        return 1;
    try {
        return serve(in, out);
    } catch (const std::exception &) {
        return 1;
    }
}
