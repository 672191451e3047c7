#include "library/platform/folder/containerprobe.h"
#include "support/samplevideos.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace {

constexpr milliseconds generous = seconds(20);
constexpr double unknown = std::numeric_limits<double>::quiet_NaN();

qint64 utcMicros(int y, int mo, int d, int h, int mi, int s) {
    return duration_cast<microseconds>(
               (sys_days{year{y} / mo / d} + hours{h} + minutes{mi} + seconds{s})
                   .time_since_epoch())
        .count();
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

} // namespace

class TestContainerProbe : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<Listener> m_listener = std::make_unique<Listener>();
    bool m_webm = false;

    QString file(const QString &name) const { return m_dir.filePath(name); }
    QByteArray raw(const QByteArray &name) const {
        return QFile::encodeName(m_dir.path()) + '/' + name;
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

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_listener->port() > 0);
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

        QVERIFY(writeNewFile(file(u"empty.mp4"_s), {}));
        for (const QString &name : {u"landscape.mp4"_s, u"faststart.mp4"_s}) {
            QFile whole(file(name));
            QVERIFY(whole.open(QIODevice::ReadOnly));
            QVERIFY(writeNewFile(file(u"half-"_s + name), whole.read(whole.size() / 2)));
        }
        std::mt19937 generator(20240305);
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        for (char &byte : noise)
            byte = char(generator());
        QVERIFY(writeNewFile(file(u"noise.mkv"_s), noise));

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

        copyAs(u"landscape.mp4"_s, "with spaces and 100% a%20b %d.mp4");
        copyAs(u"landscape.mp4"_s, "line\nbreak.mp4");
        copyAs(u"landscape.mp4"_s, invalidUtf8Name);
        copyAs(u"landscape.mp4"_s, "http:not-a-url.mp4");
    }

    void cleanupTestCase() {
        // Only after every case: a connection at any time is a failure.
        QVERIFY(!m_listener->wasContacted());
        // QTemporaryDir cannot spell this name to remove it.
        ::unlink(raw(invalidUtf8Name).constData());
    }

    void readsContainers_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("hasVideo");
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<double>("duration");
        QTest::addColumn<qint64>("created"); // -1: absent

        QTest::newRow("mp4 with sound")
            << QByteArray("landscape.mp4") << true << true << 320ll << 240ll << 1.0 << takenMicros;
        QTest::newRow("portrait mp4")
            << QByteArray("portrait.mp4") << true << true << 180ll << 320ll << 1.0 << -1ll;
        QTest::newRow("portrait mov, other way")
            << QByteArray("portrait.mov") << true << true << 180ll << 320ll << 1.0 << -1ll;
        QTest::newRow("upside down keeps its shape")
            << QByteArray("upside-down.mp4") << true << true << 320ll << 240ll << 1.0 << -1ll;
        QTest::newRow("mkv") << QByteArray("clip.mkv") << true << true << 320ll << 240ll << 2.0
                             << takenMicros;
        QTest::newRow("webm") << QByteArray("clip.webm") << true << true << 320ll << 240ll << 1.0
                              << takenMicros;
        QTest::newRow("mpeg-ts") << QByteArray("broadcast.ts") << true << true << 320ll << 240ll
                                 << 2.0 << -1ll;
        QTest::newRow("fragmented mp4")
            << QByteArray("fragmented.mp4") << true << true << 320ll << 240ll << 1.0 << -1ll;
        QTest::newRow("apple creation date wins")
            << QByteArray("iphone.mov") << true << true << 320ll << 240ll << 1.0
            << utcMicros(2021, 6, 15, 10, 45, 10);
        QTest::newRow("audio only")
            << QByteArray("audio.m4a") << true << false << 0ll << 0ll << 2.0 << -1ll;
        QTest::newRow("index first, data cut")
            << QByteArray("half-faststart.mp4") << true << true << 320ll << 240ll << 1.0 << -1ll;

        QTest::newRow("spaces and percents")
            << QByteArray("with spaces and 100% a%20b %d.mp4") << true << true << 320ll << 240ll
            << 1.0 << takenMicros;
        QTest::newRow("newline") << QByteArray("line\nbreak.mp4") << true << true << 320ll << 240ll
                                 << 1.0 << takenMicros;
        QTest::newRow("invalid UTF-8")
            << QByteArray(invalidUtf8Name) << true << true << 320ll << 240ll << 1.0 << takenMicros;
        QTest::newRow("looks like a URL") << QByteArray("http:not-a-url.mp4") << true << true
                                          << 320ll << 240ll << 1.0 << takenMicros;

        QTest::newRow("empty") << QByteArray("empty.mp4") << false << false << 0ll << 0ll << unknown
                               << -1ll;
        QTest::newRow("data first, index cut")
            << QByteArray("half-landscape.mp4") << false << false << 0ll << 0ll << unknown << -1ll;
        QTest::newRow("missing") << QByteArray("no such file.mp4") << false << false << 0ll << 0ll
                                 << unknown << -1ll;
        QTest::newRow("network playlist")
            << QByteArray("playlist.mp4") << false << false << 0ll << 0ll << unknown << -1ll;
        QTest::newRow("discard-port playlist") << QByteArray("discard-playlist.mp4") << false
                                               << false << 0ll << 0ll << unknown << -1ll;
        QTest::newRow("playlist of a local file")
            << QByteArray("local-playlist.mp4") << false << false << 0ll << 0ll << unknown << -1ll;
        QTest::newRow("concat list")
            << QByteArray("concat.mp4") << false << false << 0ll << 0ll << unknown << -1ll;
        QTest::newRow("RTP session description")
            << QByteArray("session.mp4") << false << false << 0ll << 0ll << unknown << -1ll;
        QTest::newRow("NUL in the path") << QByteArray("landscape.mp4\0.txt", 18) << false << false
                                         << 0ll << 0ll << unknown << -1ll;
    }
    void readsContainers() {
        QFETCH(QByteArray, name);
        QFETCH(bool, opened);
        QFETCH(bool, hasVideo);
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(double, duration);
        QFETCH(qint64, created);
        if (name.endsWith(".webm") && !m_webm)
            QSKIP("ffmpeg has no VP8 encoder");

        const ContainerInfo info = probeContainer(raw(name), generous);
        QCOMPARE(info.opened, opened);
        QCOMPARE(info.error.isEmpty(), opened);
        QCOMPARE(info.hasVideo, hasVideo);
        QCOMPARE(info.pixelWidth, width);
        QCOMPARE(info.pixelHeight, height);
        if (std::isnan(duration))
            QVERIFY2(std::isnan(info.duration), qPrintable(QString::number(info.duration)));
        else
            QVERIFY2(std::abs(info.duration - duration) < 0.15,
                     qPrintable(QString::number(info.duration)));
        QCOMPARE(info.creationTimeMicros.value_or(-1), created);
    }

    void randomBytesAreNoVideo() {
        const ContainerInfo info = probeContainer(raw("noise.mkv"), generous);
        QVERIFY(!info.hasVideo);
        QCOMPARE(info.pixelWidth, 0);
        QCOMPARE(info.pixelHeight, 0);
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
};

ORSENTA_TEST_MAIN(TestContainerProbe)
#include "tst_containerprobe.moc"
