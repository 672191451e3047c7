// orsenta-probe: opens and decodes untrusted video files for the application, so that a demuxer
// or decoder that crashes or hangs takes down this process and not the application. It answers
// requests on stdin and stdout (see probeprotocol.h) until stdin closes, then exits with status 0.
//
// Test hooks: when ORSENTA_PROBE_TEST_CRASH_ON, ORSENTA_PROBE_TEST_HANG_ON or
// ORSENTA_PROBE_TEST_GARBAGE_ON holds a non-empty text, a request for a path containing it
// aborts, never answers, or answers with bytes that are not a frame.

#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/framegrab.h"
#include "library/platform/folder/probeprotocol.h"

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

using namespace orsenta::platform;
namespace protocol = orsenta::platform::probeprotocol;

namespace {

enum class ReadResult { complete, endOfInput, broken };

// Reads the input in large chunks, so that a request usually costs one read.
class Input {
public:
    explicit Input(int fd)
        : m_fd(fd) {}

    ReadResult take(qsizetype size, QByteArray &out) {
        while (m_pending.size() < size) {
            char chunk[16 * 1024];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n > 0)
                m_pending.append(chunk, n);
            else if (n == 0)
                return m_pending.isEmpty() ? ReadResult::endOfInput : ReadResult::broken;
            else if (errno != EINTR)
                return ReadResult::broken;
        }
        out = m_pending.left(size);
        m_pending.remove(0, size);
        return ReadResult::complete;
    }

private:
    int m_fd;
    QByteArray m_pending;
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

        QByteArray answer;
        const auto malformed = [&] {
            return protocol::encodeFrame(protocol::Kind::error,
                                         QByteArrayLiteral("malformed request ")
                                             + QByteArray::number(int(header->kind)));
        };
        if (header->kind == protocol::Kind::probe) {
            const auto request = protocol::decodeProbeRequest(payload);
            if (request && !hooks.misbehave(request->path, out))
                continue;
            answer =
                request ? protocol::encodeFrame(
                    protocol::Kind::probeAnswer,
                    protocol::encodeProbeAnswer(probeContainer(request->path, request->deadline)))
                        : malformed();
        } else if (header->kind == protocol::Kind::thumbnail) {
            const auto request = protocol::decodeThumbnailRequest(payload);
            if (request && !hooks.misbehave(request->path, out))
                continue;
            answer = request
                         ? protocol::encodeFrame(protocol::Kind::thumbnailAnswer,
                                                 protocol::encodeThumbnailAnswer(grabFrame(
                                                     request->path, request->width, request->height,
                                                     request->fit, request->deadline)))
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

} // namespace

int main() {
    av_log_set_level(std::getenv("ORSENTA_PROBE_LOG") ? AV_LOG_WARNING : AV_LOG_QUIET);
    int in = -1;
    int out = -1;
    if (!takeStandardStreams(in, out))
        return 1;
    try {
        return serve(in, out);
    } catch (const std::exception &) {
        return 1;
    }
}
