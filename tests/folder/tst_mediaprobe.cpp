// SPDX-License-Identifier: GPL-3.0-or-later
// Reading what video files say about themselves: FFmpeg in process on real and hostile files,
// the orsenta-probe helper spoken to byte by byte, whose stdout must carry frames and nothing
// else, and MediaProbe, which owns a helper and replaces it when a file crashes, hangs or
// garbles it. Fingerprints that tell a video's copies from other videos.

#include "library/platform/folder/containerinput.h"
#include "library/platform/folder/mediaprobe.h"
#include "library/platform/folder/probeprotocol.h"
#include "model/similarvideos.h"
#include "samecontainer.h"
#include "support/samplevideos.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSize>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;
using namespace std::chrono;
namespace protocol = orsenta::platform::probeprotocol;

namespace {

const QString helper = QStringLiteral(ORSENTA_PROBE_HELPER);
constexpr milliseconds generous = seconds(20);
constexpr double unknown = std::numeric_limits<double>::quiet_NaN();

qint64 utcMicros(int y, int mo, int d, int h, int mi, int s) {
    return duration_cast<microseconds>(
               (sys_days{year{y} / mo / d} + hours{h} + minutes{mi} + seconds{s})
                   .time_since_epoch())
        .count();
}

const QSize corpusShapes[] = {{1, 1},     {2, 2},    {90, 160}, {120, 160},
                              {200, 150}, {4097, 1}, {1, 4097}};
const QString corpusBases[] = {u"landscape.mp4"_s, u"portrait.mp4"_s, u"fragmented.mp4"_s,
                               u"broadcast.ts"_s, u"clip.mkv"_s};

QString corpusShape(QSize size) {
    return u"corpus/%1x%2.mp4"_s.arg(size.width()).arg(size.height());
}

const QByteArray invalidUtf8Name = QByteArrayLiteral("bad\xff\xfe name.mp4");

const QDateTime taken = QDateTime(QDate(2021, 6, 15), QTime(8, 30), Qt::UTC);
const qint64 takenMicros = utcMicros(2021, 6, 15, 8, 30, 0);

// A listening socket on the loopback interface; it shows whether anything tried to connect.
class Listener {
public:
    Listener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), size) != 0
            || ::listen(m_fd, 8) != 0
            || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
    }
    ~Listener() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int port() const { return m_port; }
    // The kernel completes a connection before it is accepted, so a pending one means someone
    // connected.
    bool wasContacted() const {
        const int accepted = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (accepted >= 0)
            ::close(accepted);
        return accepted >= 0;
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

QByteArray hlsPlaylist(const QByteArray &segment) {
    return "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXT-X-MEDIA-SEQUENCE:0\n"
           "#EXTINF:10.0,\n"
           + segment + "\n#EXT-X-ENDLIST\n";
}

// True when `pid` was a child of this process and has been reaped: it is neither running nor a
// zombie waiting for its parent.
bool reaped(pid_t pid) {
    return ::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

struct Frame {
    protocol::Kind kind;
    QByteArray payload;
};

// Splits everything the helper wrote into frames; empty if any byte is not part of one.
std::optional<std::vector<Frame>> frames(const QByteArray &output) {
    std::vector<Frame> result;
    qsizetype pos = 0;
    while (pos < output.size()) {
        if (output.size() - pos < protocol::headerSize)
            return std::nullopt;
        const auto decoded = protocol::decodeHeader(QByteArrayView(output).sliced(pos));
        pos += protocol::headerSize;
        if (!decoded || output.size() - pos < qsizetype(decoded->length))
            return std::nullopt;
        result.push_back({decoded->kind, output.mid(pos, decoded->length)});
        pos += decoded->length;
    }
    return result;
}

QByteArray kinds(std::initializer_list<protocol::Kind> list) {
    QByteArray bytes;
    for (const protocol::Kind kind : list)
        bytes += char(kind);
    return bytes;
}

// One write to the helper: bytes, and the file whose descriptor goes with the first of them.
struct Message {
    QByteArray bytes;
    QByteArray file;
};
using Messages = QList<Message>;

Messages probeFrame(const QByteArray &path) {
    return {{protocol::encodeFrame(protocol::Kind::probe,
                                   protocol::encodeProbeRequest({std::chrono::seconds(10), path})),
             path}};
}

Messages bytesOnly(const QByteArray &bytes) {
    return {{bytes, {}}};
}

bool sendMessage(int socket, const Message &message) {
    const int file = message.file.isEmpty() ? -1 : ::open(message.file.constData(), O_RDONLY);
    iovec bytes{const_cast<char *>(message.bytes.constData()), std::size_t(message.bytes.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &bytes;
    header.msg_iovlen = 1;
    if (file >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr *rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(rights), &file, sizeof(int));
    }
    const ssize_t sent = ::sendmsg(socket, &header, MSG_NOSIGNAL);
    if (file >= 0)
        ::close(file);
    return sent == message.bytes.size();
}

struct Run {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// Starts a fresh helper on a socket as MediaProbe does, sends it `input`, shuts the socket for
// writing and reads everything until the helper ends.
Run runHelper(const Messages &input, bool withLog = false, const QStringList &arguments = {}) {
    Run run;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return run;
    const int theirs = ends[1];
    const auto closeOurs = qScopeGuard([&] { ::close(ends[0]); });
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (withLog)
        env.insert(u"ORSENTA_PROBE_LOG"_s, u"1"_s);
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([theirs] {
        ::dup2(theirs, STDIN_FILENO);
        ::dup2(theirs, STDOUT_FILENO);
    });
    process.start(helper, arguments);
    ::close(theirs);
    if (!process.waitForStarted())
        return run;
    for (const Message &message : input) {
        if (!sendMessage(ends[0], message))
            break;
    }
    ::shutdown(ends[0], SHUT_WR);
    const timeval patience{60, 0};
    ::setsockopt(ends[0], SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    char chunk[16 * 1024];
    for (ssize_t n; (n = ::read(ends[0], chunk, sizeof chunk)) != 0;) {
        if (n > 0)
            run.output.append(chunk, n);
        else if (errno != EINTR)
            break;
    }
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.errors = process.readAllStandardError();
    return run;
}

} // namespace

Q_DECLARE_METATYPE(Messages)
Q_DECLARE_METATYPE(orsenta::platform::ReadFailure)
Q_DECLARE_METATYPE(orsenta::test::VideoSpec)

class TestMediaProbe : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<Listener> m_listener = std::make_unique<Listener>();
    bool m_webm = false;
    MediaProbe m_probe{helper};
    MediaProbe m_corpusProbe{helper};

    QString file(const QString &name) const { return m_dir.filePath(name); }
    QByteArray raw(const QByteArray &name) const {
        return name.startsWith('/') ? name : QFile::encodeName(m_dir.path()) + '/' + name;
    }

    void make(const QString &name, const VideoSpec &wanted) {
        QVERIFY2(!makeVideo(file(name), wanted).isEmpty(), qPrintable(name));
    }
    // Copies a sample under a name Qt's QString cannot spell, such as invalid UTF-8.
    void copyAs(const QString &from, const QByteArray &to) {
        std::error_code error;
        std::filesystem::copy_file(
            std::filesystem::path(QFile::encodeName(file(from)).toStdString()),
            std::filesystem::path(raw(to).toStdString()), error);
        QVERIFY2(!error, error.message().c_str());
    }

    // The helper reads the file as FFmpeg in process does, and says so field for field.
    void verifyTheHelperAgrees(const QByteArray &name, const ContainerInfo &direct) {
        verifySameContainer(m_probe.probe(raw(name)), direct);
        QCOMPARE(m_probe.restarts(), 0);
    }

    // Odd and tiny shapes, and the samples cut short and with bytes flipped (a fixed seed), in
    // corpus/: FFmpeg's demuxers and decoders on what a damaged disk or a hostile sender gives.
    void makeCorpus() {
        QVERIFY(QDir(m_dir.path()).mkdir(u"corpus"_s));
        const QString odd = u"yuv444p"_s; // the H.264 encoder needs even sides in 4:2:0
        for (const QSize size : corpusShapes) {
            const bool even = size.width() % 2 == 0 && size.height() % 2 == 0;
            make(corpusShape(size), {.width = size.width(),
                                     .height = size.height(),
                                     .seconds = 0.5,
                                     .pixelFormat = even ? u"yuv420p"_s : odd});
        }
        std::mt19937 generator(20261207);
        for (const QString &base : corpusBases) {
            const QByteArray whole = readFile(file(base));
            QVERIFY(!whole.isEmpty());
            for (const double fraction : {0.0, 0.05, 0.3, 0.6, 0.9})
                QVERIFY(writeNewFile(
                    file(u"corpus/cut-%1-%2"_s.arg(fraction).arg(base)),
                    whole.left(fraction > 0 ? qsizetype(whole.size() * fraction) : 100)));
            for (int variant = 0; variant < 3; ++variant) {
                QByteArray flipped = whole;
                for (int i = 0; i < 24; ++i)
                    flipped[generator() % flipped.size()] ^= char(1 + generator() % 255);
                QVERIFY(
                    writeNewFile(file(u"corpus/flipped-%1-%2"_s.arg(variant).arg(base)), flipped));
            }
        }
        QByteArray noise(32 * 1024, Qt::Uninitialized);
        for (char &byte : noise)
            byte = char(generator());
        QVERIFY(writeNewFile(file(u"corpus/mp4-header-then-noise.mp4"_s),
                             readFile(file(u"landscape.mp4"_s)).left(40) + noise));
    }

    void verifyLandscape(const ContainerInfo &info) {
        QVERIFY2(info.opened, qPrintable(info.error));
        QVERIFY(info.hasVideo);
        QCOMPARE(info.pixelWidth, 320);
        QCOMPARE(info.pixelHeight, 240);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_listener->port() > 0);
        QVERIFY(QFileInfo(helper).isExecutable());
        m_webm = ffmpegHasEncoder(u"libvpx"_s);

        make(u"landscape.mp4"_s, {.creationTime = taken, .audio = true});
        make(u"portrait.mp4"_s, {.width = 320, .height = 180, .rotation = 90});
        make(u"portrait.mov"_s,
             {.width = 320, .height = 180, .rotation = 270, .container = Container::mov});
        make(u"upside-down.mp4"_s, {.rotation = 180});
        make(u"clip.mkv"_s, {.seconds = 2, .creationTime = taken, .container = Container::mkv});
        if (m_webm)
            make(u"clip.webm"_s,
                 {.creationTime = taken, .container = Container::webm, .audio = true});
        // Streams that only reading packets reveals, and an index without a duration.
        make(u"broadcast.ts"_s, {.seconds = 2, .container = Container::mpegts});
        make(u"fragmented.mp4"_s,
             {.extraOutputArgs = {u"-movflags"_s, u"frag_keyframe+empty_moov"_s}});
        make(u"audio.m4a"_s, {.seconds = 2, .video = false, .audio = true});
        // Apple's key, in a different zone and later than creation_time: it wins.
        make(u"iphone.mov"_s,
             {.creationTime = taken,
              .container = Container::mov,
              .extraOutputArgs = {u"-movflags"_s, u"use_metadata_tags"_s, u"-metadata"_s,
                                  u"com.apple.quicktime.creationdate=2021-06-15T12:45:10+0200"_s}});
        make(u"faststart.mp4"_s, {.extraOutputArgs = {u"-movflags"_s, u"+faststart"_s}});
        make(u"original.mp4"_s, {.seconds = 4});

        QVERIFY(writeNewFile(file(u"empty.mp4"_s), {}));
        QVERIFY(QFile::link(u"landscape.mp4"_s, file(u"link.mp4"_s)));
        QVERIFY(QDir(m_dir.path()).mkdir(u"folder.mp4"_s));
        QVERIFY(QFile::copy(file(u"landscape.mp4"_s), file(u"unreadable.mp4"_s)));
        QVERIFY(QFile::setPermissions(file(u"unreadable.mp4"_s), QFileDevice::WriteOwner));
        for (const QString &name : {u"landscape.mp4"_s, u"faststart.mp4"_s}) {
            const QByteArray whole = readFile(file(name));
            QVERIFY(writeNewFile(file(u"half-"_s + name), whole.left(whole.size() / 2)));
        }
        std::mt19937 generator(20240305);
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        for (char &byte : noise)
            byte = char(generator());
        QVERIFY(writeNewFile(file(u"noise.mkv"_s), noise));
        QVERIFY(writeNewFile(file(u"text.mkv"_s), "not a video at all\n"));
        QVERIFY(writeNewFile(file(u"zeds.mkv"_s), QByteArray(4096, 'Z')));

        const QByteArray port = QByteArray::number(m_listener->port());
        QVERIFY(writeNewFile(file(u"playlist.mp4"_s),
                             hlsPlaylist("http://127.0.0.1:" + port + "/x.ts")));
        QVERIFY(
            writeNewFile(file(u"discard-playlist.mp4"_s), hlsPlaylist("http://127.0.0.1:9/x.ts")));
        QVERIFY(writeNewFile(file(u"local-playlist.mp4"_s), hlsPlaylist(raw("broadcast.ts"))));
        // A relative name, which the concat demuxer's own safety check lets through.
        QVERIFY(writeNewFile(file(u"concat.mp4"_s), "ffconcat version 1.0\nfile landscape.mp4\n"));

        QVERIFY(writeNewFile(file(u"session.mp4"_s),
                             "v=0\no=- 0 0 IN IP4 127.0.0.1\ns=x\nc=IN IP4 127.0.0.1\nt=0 0\n"
                             "m=video "
                                 + port + " RTP/AVP 96\na=rtpmap:96 H264/90000\n"));

        makeCorpus();

        copyAs(u"landscape.mp4"_s, "with spaces and 100% a%20b %d.mp4");
        copyAs(u"landscape.mp4"_s, "line\nbreak.mp4");
        copyAs(u"landscape.mp4"_s, invalidUtf8Name);
        copyAs(u"landscape.mp4"_s, "http:not-a-url.mp4");
        // The misbehaviour hooks match on these names; the files themselves are fine.
        for (const char *name : {"crash-me.mp4", "kill-me.mp4", "hang-me.mp4", "garble-me.mp4"})
            copyAs(u"landscape.mp4"_s, name);
    }

    void cleanupTestCase() {
        // Only after every case: a connection at any time, in process or in a helper, is a
        // failure.
        QVERIFY(!m_listener->wasContacted());
        // QTemporaryDir cannot spell this name to remove it.
        ::unlink(raw(invalidUtf8Name).constData());
    }

    void readsContainers_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<qint64>("width"); // 0: no video
        QTest::addColumn<qint64>("height");
        QTest::addColumn<double>("duration");
        QTest::addColumn<qint64>("created"); // -1: absent
        QTest::addColumn<ReadFailure>("failure");
        const auto opens = [](const char *tag, const QByteArray &name, qint64 width, qint64 height,
                              double duration, qint64 created = -1) {
            QTest::newRow(tag) << name << true << width << height << duration << created
                               << ReadFailure::none;
        };
        opens("mp4 with sound", "landscape.mp4", 320, 240, 1.0, takenMicros);
        opens("portrait mp4", "portrait.mp4", 180, 320, 1.0);
        opens("portrait mov, other way", "portrait.mov", 180, 320, 1.0);
        opens("upside down keeps its shape", "upside-down.mp4", 320, 240, 1.0);
        opens("mkv", "clip.mkv", 320, 240, 2.0, takenMicros);
        opens("webm", "clip.webm", 320, 240, 1.0, takenMicros);
        opens("mpeg-ts", "broadcast.ts", 320, 240, 2.0);
        opens("fragmented mp4", "fragmented.mp4", 320, 240, 1.0);
        opens("apple creation date wins", "iphone.mov", 320, 240, 1.0,
              utcMicros(2021, 6, 15, 10, 45, 10));
        opens("audio only", "audio.m4a", 0, 0, 2.0);
        opens("index first, data cut", "half-faststart.mp4", 320, 240, 1.0);
        // The same video under names that must reach the file system byte for byte.
        opens("spaces and percents", "with spaces and 100% a%20b %d.mp4", 320, 240, 1.0,
              takenMicros);
        opens("newline", "line\nbreak.mp4", 320, 240, 1.0, takenMicros);
        opens("invalid UTF-8", invalidUtf8Name, 320, 240, 1.0, takenMicros);
        opens("looks like a URL", "http:not-a-url.mp4", 320, 240, 1.0, takenMicros);

        // Broken files, and files that would have FFmpeg read something other than themselves:
        // refused for what they hold. Files that cannot be opened at all may open next time.
        const ReadFailure held = ReadFailure::none;
        const ReadFailure unopened = ReadFailure::cannotOpen;
        const std::tuple<const char *, QByteArray, ReadFailure> refused[] = {
            {"empty", "empty.mp4", held},
            {"data first, index cut", "half-landscape.mp4", held},
            {"network playlist", "playlist.mp4", held},
            {"discard-port playlist", "discard-playlist.mp4", held},
            {"playlist of a local file", "local-playlist.mp4", held},
            {"concat list", "concat.mp4", held},
            {"RTP session description", "session.mp4", held},
            {"missing", "no such file.mp4", unopened},
            {"unreadable", "unreadable.mp4", unopened},
            {"symbolic link", "link.mp4", unopened},
            {"folder", "folder.mp4", unopened},
            // A regular file whose first read fails with EIO: memory the process has not mapped.
            {"input/output error", "/proc/self/mem", unopened},
            {"NUL in the path", QByteArray("landscape.mp4\0.txt", 18), unopened},
        };
        for (const auto &[tag, name, failure] : refused)
            QTest::newRow(tag) << name << false << 0ll << 0ll << unknown << -1ll << failure;
    }
    void readsContainers() {
        QFETCH(QByteArray, name);
        QFETCH(bool, opened);
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(double, duration);
        QFETCH(qint64, created);
        QFETCH(ReadFailure, failure);
        if (name.endsWith(".webm") && !m_webm)
            QSKIP("ffmpeg has no VP8 encoder");
        if (name == "unreadable.mp4" && ::access(raw(name).constData(), R_OK) == 0)
            QSKIP("permissions do not bind this user");

        const ContainerInfo info = probeContainer(raw(name), generous);
        QCOMPARE(info.opened, opened);
        QCOMPARE(info.error.isEmpty(), opened);
        QCOMPARE(info.hasVideo, width > 0);
        QCOMPARE(info.pixelWidth, width);
        QCOMPARE(info.pixelHeight, height);
        if (std::isnan(duration))
            QVERIFY2(std::isnan(info.duration), qPrintable(QString::number(info.duration)));
        else
            QVERIFY2(std::abs(info.duration - duration) < 0.15,
                     qPrintable(QString::number(info.duration)));
        QCOMPARE(info.creationTimeMicros.value_or(-1), created);
        QCOMPARE(info.failure, failure);
        QCOMPARE(m_probe.probe(raw(name)).failure, failure);
        verifyTheHelperAgrees(name, info);

        const FingerprintReading print = m_probe.fingerprint(raw(name));
        QCOMPARE(print.failure, failure);
        QVERIFY2(print.fingerprint.isEmpty() == (width == 0), qPrintable(print.error));
        QCOMPARE(print.fingerprint.codec,
                 width == 0 ? QByteArray() : QByteArray(name.endsWith(".webm") ? "vp8" : "h264"));
    }

    // The same picture re-encoded, resized, at another frame rate, letterboxed or stored sideways
    // hashes alike frame by frame; a different picture does not.
    void fingerprintsTellCopiesFromOtherVideos_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<VideoSpec>("copy");
        QTest::addColumn<bool>("same");
        const VideoSpec original{.seconds = 4};
        const auto filtered = [&](const QString &filter) {
            VideoSpec edited = original;
            edited.extraOutputArgs = {u"-vf"_s, filter};
            return edited;
        };
        VideoSpec lowQuality = original;
        lowQuality.extraOutputArgs = {u"-crf"_s, u"40"_s};
        QTest::newRow("re-encoded badly") << u"crf40.mp4"_s << lowQuality << true;
        QTest::newRow("smaller") << u"small.mp4"_s << filtered(u"scale=160:120"_s) << true;
        VideoSpec faster = original;
        faster.frameRate = 25;
        faster.container = Container::mkv;
        QTest::newRow("other frame rate and container") << u"fast.mkv"_s << faster << true;
        QTest::newRow("letterboxed")
            << u"letterbox.mp4"_s << filtered(u"pad=320:320:0:40"_s) << true;
        // Stored turned a quarter anticlockwise, shown turned back.
        VideoSpec sideways = filtered(u"transpose=2"_s);
        sideways.rotation = 270;
        QTest::newRow("stored sideways") << u"sideways.mp4"_s << sideways << true;
        QTest::newRow("mirrored") << u"mirrored.mp4"_s << filtered(u"hflip"_s) << false;
        QTest::newRow("negative") << u"negative.mp4"_s << filtered(u"negate"_s) << false;
    }
    void fingerprintsTellCopiesFromOtherVideos() {
        QFETCH(QString, name);
        QFETCH(VideoSpec, copy);
        QFETCH(bool, same);
        make(u"copy-"_s + name, copy);
        QString error;
        const auto original = fingerprintVideo(raw("original.mp4"), generous, &error);
        QVERIFY2(!original.isEmpty(), qPrintable(error));
        const FingerprintReading other = m_probe.fingerprint(raw("copy-" + name.toUtf8()));
        QVERIFY2(!other.fingerprint.isEmpty(), qPrintable(other.error));
        QCOMPARE(other.fingerprint.frames.size(), original.frames.size());
        // A copy's frames are a few bits off, a sample on a quick change a few more, but none
        // beyond what the rule allows; another picture's frames are nearly all further off.
        int alike = 0;
        int matching = 0;
        QList<int> distances;
        for (std::size_t i = 0; i < original.frames.size(); ++i) {
            QVERIFY(original.frames[i] != 0);
            distances << std::popcount(original.frames[i] ^ other.fingerprint.frames[i]);
            alike += distances.back() <= 8 ? 1 : 0;
            matching += distances.back() <= orsenta::SimilarityRule().frameDistance ? 1 : 0;
        }
        QByteArray said = "bits apart:";
        for (const int distance : distances)
            said += ' ' + QByteArray::number(distance);
        const int count = int(original.frames.size());
        if (same)
            QVERIFY2(matching == count && alike * 10 >= count * 9, said.constData());
        else
            QVERIFY2(alike * 10 <= count, said.constData());
    }

    // No file of the corpus costs a helper; every valid one has its shape and a picture, and
    // nothing damaged passes for a video it is not: bytes that are no container are no video in
    // process either.
    void survivesAHostileCorpus_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QSize>("shape");  // as displayed; empty: damaged, may or may not open
        QTest::addColumn<bool>("garbage"); // never a video
        for (const QSize size : corpusShapes)
            QTest::newRow(qPrintable(corpusShape(size)))
                << QFile::encodeName(corpusShape(size)) << size << false;
        QTest::newRow("portrait") << QByteArray("portrait.mp4") << QSize(180, 320) << false;
        QTest::newRow("portrait mov") << QByteArray("portrait.mov") << QSize(180, 320) << false;
        QTest::newRow("upside down") << QByteArray("upside-down.mp4") << QSize(320, 240) << false;
        const QStringList damaged = QDir(file(u"corpus"_s)).entryList({u"cut-*"_s, u"flipped-*"_s});
        for (const QString &name : damaged)
            QTest::newRow(qPrintable(name))
                << QFile::encodeName(u"corpus/"_s + name) << QSize() << false;
        for (const char *name :
             {"noise.mkv", "text.mkv", "zeds.mkv", "corpus/mp4-header-then-noise.mp4"})
            QTest::newRow(name) << QByteArray(name) << QSize() << true;
    }
    void survivesAHostileCorpus() {
        QFETCH(QByteArray, name);
        QFETCH(QSize, shape);
        QFETCH(bool, garbage);
        const ContainerInfo info = m_corpusProbe.probe(raw(name));
        const GrabbedFrame within = m_corpusProbe.thumbnail(raw(name), 256, 256, FrameFit::within);
        const GrabbedFrame filled = m_corpusProbe.thumbnail(raw(name), 128, 80, FrameFit::fill);
        const FingerprintReading print = m_corpusProbe.fingerprint(raw(name));
        QCOMPARE(m_corpusProbe.restarts(), 0);
        QCOMPARE(info.failure, ReadFailure::none);
        QCOMPARE(print.failure, ReadFailure::none);
        QVERIFY(!print.fingerprint.isEmpty() || !print.error.isEmpty());
        if (!shape.isEmpty()) {
            QVERIFY2(!print.fingerprint.isEmpty(), qPrintable(print.error));
            QVERIFY2(info.opened && info.hasVideo, qPrintable(info.error));
            QCOMPARE(QSize(int(info.pixelWidth), int(info.pixelHeight)), shape);
            QVERIFY2(!within.isNull(), qPrintable(within.error));
            const double scale = std::min({256.0 / shape.width(), 256.0 / shape.height(), 1.0});
            QCOMPARE(QSize(within.width, within.height),
                     QSize(std::max(1, int(std::lround(shape.width() * scale))),
                           std::max(1, int(std::lround(shape.height() * scale)))));
            QVERIFY2(!filled.isNull(), qPrintable(filled.error));
            QCOMPARE(QSize(filled.width, filled.height), QSize(128, 80));
            return;
        }
        if (garbage) {
            QVERIFY(!info.hasVideo && within.isNull() && filled.isNull());
            QVERIFY(print.fingerprint.isEmpty());
            verifySameContainer(probeContainer(raw(name), generous), info);
        }
        if (info.hasVideo)
            QVERIFY(info.pixelWidth > 0 && info.pixelHeight > 0);
        else
            QVERIFY(within.isNull() && filled.isNull());
        QVERIFY(info.opened || !info.error.isEmpty());
        for (const GrabbedFrame *frame : {&within, &filled})
            QVERIFY(!frame->isNull() || !frame->error.isEmpty());
        if (!filled.isNull())
            QCOMPARE(QSize(filled.width, filled.height), QSize(128, 80));
    }

    // A relative path is resolved against the working folder, never read as a protocol.
    void relativePathThatLooksLikeAProtocol() {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const ContainerInfo info = probeContainer("http:not-a-url.mp4", generous);
        QVERIFY(QDir::setCurrent(previous));
        QVERIFY(info.opened);
        QCOMPARE(info.pixelWidth, 320);
    }

    void passedDeadlineStopsTheRead() {
        const ContainerInfo info = probeContainer(raw("landscape.mp4"), milliseconds(0));
        QVERIFY(!info.opened);
        QVERIFY2(info.error.contains(u"timed out"_s), qPrintable(info.error));
        QString error;
        const int fd = openVideoFile(raw("landscape.mp4"), error);
        QVERIFY(fd >= 0);
        const FingerprintReading late = readFingerprint(fd, "landscape.mp4", milliseconds(0));
        ::close(fd);
        QVERIFY(late.fingerprint.isEmpty());
        QVERIFY2(late.error.contains(u"timed out"_s), qPrintable(late.error));
        // Time says nothing about the file: it is tried again.
        QCOMPARE(late.failure, ReadFailure::helperHung);
    }

    void parsesIsoDateTimes_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("micros"); // -1: refused
        const qint64 noon = utcMicros(2023, 7, 4, 12, 0, 0);
        QTest::newRow("FFmpeg's own form") << QByteArray("2023-07-04T12:00:00.000000Z") << noon;
        QTest::newRow("fraction") << QByteArray("2023-07-04T12:00:00.25Z") << noon + 250'000;
        QTest::newRow("fraction past micros")
            << QByteArray("2023-07-04T12:00:00.1234567Z") << noon + 123'456;
        QTest::newRow("Apple's offset") << QByteArray("2023-07-04T14:00:00+0200") << noon;
        QTest::newRow("offset with colon") << QByteArray("2023-07-04T14:00:00+02:00") << noon;
        QTest::newRow("hour-only offset") << QByteArray("2023-07-04T14:00:00+02") << noon;
        QTest::newRow("negative half-hour offset")
            << QByteArray("2023-07-04T08:30:00-03:30") << noon;
        QTest::newRow("offset across midnight") << QByteArray("2023-07-05T01:00:00+1300") << noon;
        QTest::newRow("space and no zone") << QByteArray("2023-07-04 12:00:00") << noon;
        QTest::newRow("no seconds") << QByteArray("2023-07-04T12:00Z") << noon;
        QTest::newRow("surrounding blanks") << QByteArray(" 2023-07-04T12:00:00Z\n") << noon;
        QTest::newRow("leap day") << QByteArray("2024-02-29T00:00:00Z")
                                  << utcMicros(2024, 2, 29, 0, 0, 0);
        QTest::newRow("leap second")
            << QByteArray("2016-12-31T23:59:60Z") << utcMicros(2016, 12, 31, 23, 59, 59);
        QTest::newRow("before 1970") << QByteArray("1969-12-31T23:59:59Z") << qint64(-1'000'000);

        QTest::newRow("empty") << QByteArray() << -1ll;
        QTest::newRow("date only") << QByteArray("2023-07-04") << -1ll;
        QTest::newRow("month 13") << QByteArray("2023-13-04T12:00:00Z") << -1ll;
        QTest::newRow("30 February") << QByteArray("2023-02-30T12:00:00Z") << -1ll;
        QTest::newRow("not a leap year") << QByteArray("2023-02-29T12:00:00Z") << -1ll;
        QTest::newRow("hour 24") << QByteArray("2023-07-04T24:00:00Z") << -1ll;
        QTest::newRow("unknown zone") << QByteArray("2023-07-04T12:00:00 EST") << -1ll;
        QTest::newRow("trailing text") << QByteArray("2023-07-04T12:00:00Zjunk") << -1ll;
        QTest::newRow("one-digit offset") << QByteArray("2023-07-04T12:00:00+2") << -1ll;
        QTest::newRow("empty fraction") << QByteArray("2023-07-04T12:00:00.Z") << -1ll;
        QTest::newRow("slashes") << QByteArray("2023/07/04 12:00:00") << -1ll;
    }
    void parsesIsoDateTimes() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, micros);
        QCOMPARE(parseIsoDateTime(text).value_or(-1), micros);
    }

    // Whatever it is given, the helper writes frames only: hello, then an answer to each
    // request it understood and an error for each it did not, going on after those. Input that
    // is out of step ends it.
    void helperWritesOnlyFrames_data() {
        QTest::addColumn<Messages>("input");
        QTest::addColumn<bool>("log"); // FFmpeg's own log switched on
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("answers"); // the kinds of the frames after hello
        const Messages clip = probeFrame(raw("landscape.mp4"));
        QTest::newRow("nothing asked") << Messages() << false << 0 << QByteArray();
        const auto outOfStep = [](const char *tag, const QByteArray &bytes) {
            QTest::newRow(tag) << bytesOnly(bytes) << false << 1 << QByteArray();
        };
        outOfStep("text instead of frames", "probe /tmp/a.mp4\n");
        outOfStep("cut in a header", QByteArray("\x10\x04\x00", 3));
        outOfStep("cut in a payload",
                  protocol::encodeFrame(protocol::Kind::probe, "abcdefgh").chopped(2));
        // A request the helper refuses, then one it answers.
        const auto refusedFirst = [&](const char *tag, const QByteArray &refused) {
            QTest::newRow(tag) << Messages(bytesOnly(refused) + clip) << false << 0
                               << kinds({protocol::Kind::error, protocol::Kind::probeAnswer});
        };
        refusedFirst("probe without its deadline",
                     protocol::encodeFrame(protocol::Kind::probe, "ab"));
        // The helper opens nothing by name: a request must bring its file.
        refusedFirst("probe without its descriptor", clip.front().bytes);
        refusedFirst("garbled thumbnail request",
                     protocol::encodeFrame(protocol::Kind::thumbnail, "thumbnail please"));
        refusedFirst("unknown request",
                     protocol::encodeFrame(protocol::Kind(0x12), "what is this"));
        // FFmpeg complains about these; its complaints must go to stderr, never into the stream.
        QTest::newRow("files FFmpeg complains about, logged")
            << Messages(probeFrame(raw("zeds.mkv")) + probeFrame(raw("noise.mkv")) + clip) << true
            << 0
            << kinds({protocol::Kind::probeAnswer, protocol::Kind::probeAnswer,
                      protocol::Kind::probeAnswer});
    }
    void helperWritesOnlyFrames() {
        QFETCH(Messages, input);
        QFETCH(bool, log);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, answers);
        const Run run = runHelper(input, log);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!log || !run.errors.isEmpty());
        const auto written = frames(run.output);
        QVERIFY(written && !written->empty());
        QByteArray writtenKinds;
        for (const Frame &frame : *written)
            writtenKinds += char(frame.kind);
        const QByteArray expected = kinds({protocol::Kind::hello}) + answers;
        QCOMPARE(writtenKinds, expected);
        QVERIFY(protocol::isCompatibleHello(written->front().payload));
        // Each answer is whole, and the last is the clip's.
        for (const Frame &frame : *written) {
            if (frame.kind == protocol::Kind::probeAnswer)
                QVERIFY(protocol::decodeProbeAnswer(frame.payload));
        }
        if (answers.endsWith(char(protocol::Kind::probeAnswer)))
            QVERIFY(protocol::decodeProbeAnswer(written->back().payload)->hasVideo);
    }

    // The helper as it runs confines itself before it serves: what a hostile file could turn it
    // to is refused with EACCES, and the descriptors it holds still work.
    void confinedHelperReachesNothingElse_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("error"); // 0: allowed
        const QByteArray clip = raw("landscape.mp4");
        QTest::newRow("open a file by name") << u"open"_s << clip << EACCES;
        QTest::newRow("create a file") << u"create"_s << raw("made-by-the-helper") << EACCES;
        QTest::newRow("run a program") << u"execute"_s << QFile::encodeName(helper) << EACCES;
        QTest::newRow("make a socket") << u"socket"_s << QByteArray() << EACCES;
        QTest::newRow("make a socket pair") << u"socketpair"_s << QByteArray() << EACCES;
        QTest::newRow("open through io_uring") << u"io_uring"_s << QByteArray() << EACCES;
        QTest::newRow("read a file it holds") << u"read"_s << clip << 0;
    }
    void confinedHelperReachesNothingElse() {
        QFETCH(QString, operation);
        QFETCH(QByteArray, path);
        QFETCH(int, error);
        QProcess process;
        process.start(helper, {u"--confined-try"_s, operation, QFile::decodeName(path)});
        QVERIFY(process.waitForFinished(60'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput().trimmed().toInt(), error);
        QVERIFY(!QFileInfo::exists(file(u"made-by-the-helper"_s)));
    }

    // One helper, started lazily, serves every request, failed ones too; one that died while idle
    // is replaced without blaming the next file; the last is reaped with the probe.
    void oneHelperServesEveryRequestUntilTheProbeGoes() {
        std::optional<MediaProbe> probe(std::in_place, helper);
        QCOMPARE(probe->helperPid(), -1);
        verifyLandscape(probe->probe(raw("landscape.mp4")));
        const pid_t first = probe->helperPid();
        QVERIFY(first > 0);
        QVERIFY(!probe->probe(raw("empty.mp4")).opened);
        QCOMPARE(probe->probe(raw("portrait.mp4")).pixelHeight, 320);
        QCOMPARE(probe->helperPid(), first);
        QCOMPARE(probe->restarts(), 0);

        QCOMPARE(::kill(first, SIGKILL), 0);
        // Waits until it has died, and leaves it for the probe to reap.
        siginfo_t ended{};
        QCOMPARE(::waitid(P_PID, id_t(first), &ended, WEXITED | WNOWAIT), 0);
        const ContainerInfo afterwards = probe->probe(raw("landscape.mp4"));
        verifyLandscape(afterwards);
        QCOMPARE(afterwards.failure, ReadFailure::none);
        QCOMPARE(probe->restarts(), 1);
        QVERIFY(reaped(first));
        const pid_t second = probe->helperPid();
        probe.reset();
        QVERIFY(reaped(second));
    }

    void misbehavingHelperCostsOneFile_data() {
        QTest::addColumn<QByteArray>("hook");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<ReadFailure>("failure");
        QTest::newRow("crash") << QByteArray("ORSENTA_PROBE_TEST_CRASH_ON")
                               << QByteArray("crash-me")
                               << u"stopped while reading this file (signal 6"_s
                               << ReadFailure::helperDied;
        // As the out-of-memory killer or a user would, halfway through the read.
        QTest::newRow("killed") << QByteArray("ORSENTA_PROBE_TEST_KILL_ON") << QByteArray("kill-me")
                                << u"stopped while reading this file (signal 9"_s
                                << ReadFailure::helperDied;
        QTest::newRow("hang") << QByteArray("ORSENTA_PROBE_TEST_HANG_ON") << QByteArray("hang-me")
                              << u"did not answer within 1000 ms"_s << ReadFailure::helperHung;
        QTest::newRow("garbage") << QByteArray("ORSENTA_PROBE_TEST_GARBAGE_ON")
                                 << QByteArray("garble-me") << u"unreadable answer"_s
                                 << ReadFailure::helperDied;
    }
    void misbehavingHelperCostsOneFile() {
        QFETCH(QByteArray, hook);
        QFETCH(QByteArray, name);
        QFETCH(QString, reason);
        QFETCH(ReadFailure, failure);
        // Helpers started from now on inherit the hook.
        qputenv(hook.constData(), name);
        const auto unset = qScopeGuard([&] { qunsetenv(hook.constData()); });
        // The watchdog is a timeout, not a measurement: well-behaved requests take milliseconds.
        MediaProbe probe(helper, milliseconds(1000));

        verifyLandscape(probe.probe(raw("landscape.mp4")));
        const pid_t first = probe.helperPid();

        const ContainerInfo lost = probe.probe(raw(name + ".mp4"));
        QVERIFY(!lost.opened);
        QVERIFY(!lost.hasVideo);
        QVERIFY2(lost.error.contains(reason), qPrintable(lost.error));
        QCOMPARE(lost.failure, failure);
        QCOMPARE(probe.restarts(), 1);
        QCOMPARE(probe.helperPid(), -1);
        QVERIFY(reaped(first));

        verifyLandscape(probe.probe(raw("landscape.mp4")));
        QCOMPARE(probe.probe(raw("portrait.mp4")).pixelWidth, 180);
        QVERIFY(probe.helperPid() > 0);
        QVERIFY(probe.helperPid() != first);
        QCOMPARE(probe.restarts(), 1);

        // A thumbnail that trips it later costs a helper again, and only that picture.
        const GrabbedFrame lostFrame = probe.thumbnail(raw(name + ".mp4"), 64, 40, FrameFit::fill);
        QVERIFY(lostFrame.isNull());
        QVERIFY2(lostFrame.error.contains(reason), qPrintable(lostFrame.error));
        QCOMPARE(probe.restarts(), 2);
        const GrabbedFrame fine = probe.thumbnail(raw("landscape.mp4"), 64, 40, FrameFit::fill);
        QVERIFY2(!fine.isNull(), qPrintable(fine.error));
        QCOMPARE(QSize(fine.width, fine.height), QSize(64, 40));

        // So does a fingerprint, whose failure says the read was lost, not refused.
        const FingerprintReading lostPrint = probe.fingerprint(raw(name + ".mp4"));
        QVERIFY(lostPrint.fingerprint.isEmpty());
        QCOMPARE(lostPrint.failure, failure);
        QCOMPARE(probe.restarts(), 3);
        QVERIFY(!probe.fingerprint(raw("landscape.mp4")).fingerprint.isEmpty());
    }

    void programThatIsNotTheHelper_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("missing") << u"/nonexistent/orsenta-probe"_s;
        QTest::newRow("exits at once") << u"/bin/true"_s;
        QTest::newRow("prints text") << u"/usr/bin/yes"_s;
        QTest::newRow("not executable") << QFile::decodeName(raw("landscape.mp4"));
    }
    void programThatIsNotTheHelper() {
        QFETCH(QString, program);
        if (program.startsWith(u"/bin/"_s) || program.startsWith(u"/usr/bin/"_s)) {
            if (!QFileInfo(program).isExecutable())
                QSKIP("the program is not installed");
        }
        MediaProbe probe(program);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const ContainerInfo info = probe.probe(raw("landscape.mp4"));
            QVERIFY(!info.opened);
            QVERIFY2(info.error.contains(u"probe helper"_s), qPrintable(info.error));
            QCOMPARE(info.failure, ReadFailure::helperUnavailable); // the file is not to blame
            QCOMPARE(probe.helperPid(), -1);
        }
        QCOMPARE(probe.restarts(), 0);
    }

    void callersOnManyThreadsGetTheirOwnAnswers() {
        MediaProbe probe(helper);
        constexpr int threads = 4;
        constexpr int requests = 25;
        std::vector<int> wrong(threads, 0);
        std::vector<std::thread> callers;
        for (int t = 0; t < threads; ++t) {
            callers.emplace_back([&, t] {
                for (int i = 0; i < requests; ++i) {
                    const bool portrait = (i + t) % 2 == 0;
                    const ContainerInfo info =
                        probe.probe(raw(portrait ? "portrait.mp4" : "landscape.mp4"));
                    if (!info.opened || info.pixelWidth != (portrait ? 180 : 320))
                        ++wrong[t];
                }
            });
        }
        for (std::thread &caller : callers)
            caller.join();
        QCOMPARE(wrong, std::vector<int>(threads, 0));
        QCOMPARE(probe.restarts(), 0);
    }
};

ORSENTA_TEST_MAIN(TestMediaProbe)
#include "tst_mediaprobe.moc"
