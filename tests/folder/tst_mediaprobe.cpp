#include "library/platform/folder/mediaprobe.h"
#include "support/samplevideos.h"
#include "support/testmain.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace {

const QString helper = QStringLiteral(ORSENTA_PROBE_HELPER);

// Sets a variable that helpers started from now on inherit, and removes it again.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name) {
        qputenv(name, value);
    }
    ~ScopedEnv() { qunsetenv(m_name); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
};

// True when `pid` was a child of this process and has been reaped: it is neither running nor a
// zombie waiting for its parent.
bool reaped(pid_t pid) {
    return ::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace

class TestMediaProbe : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QByteArray path(const QByteArray &name) const {
        return QFile::encodeName(m_dir.path()) + '/' + name;
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
        QVERIFY(QFileInfo(helper).isExecutable());
        const auto make = [this](const char *name, const VideoSpec &wanted) {
            return !makeVideo(QFile::decodeName(path(name)), wanted).isEmpty();
        };
        QVERIFY(make("landscape.mp4",
                     {.creationTime = QDateTime(QDate(2020, 1, 2), QTime(3, 4), Qt::UTC)}));
        QVERIFY(make("portrait.mp4", {.width = 320, .height = 180, .rotation = 90}));
        QVERIFY(make("audio.m4a", {.video = false, .audio = true}));
        QVERIFY(writeNewFile(QFile::decodeName(path("empty.mp4")), {}));
        QVERIFY(writeNewFile(QFile::decodeName(path("text.mkv")), "not a video at all\n"));
        // The misbehaviour hooks match on the first three names; the files themselves are fine.
        for (const char *name : {"crash-me.mp4", "hang-me.mp4", "garble-me.mp4", "line\nbreak.mp4"})
            QVERIFY(QFile::copy(QFile::decodeName(path("landscape.mp4")),
                                QFile::decodeName(path(name))));
    }

    void agreesWithReadingInProcess_data() {
        QTest::addColumn<QByteArray>("name");
        for (const char *name :
             {"landscape.mp4", "portrait.mp4", "audio.m4a", "empty.mp4", "text.mkv", "missing.mp4"})
            QTest::newRow(name) << QByteArray(name);
        QTest::newRow("newline in the name") << QByteArray("line\nbreak.mp4");
    }
    void agreesWithReadingInProcess() {
        QFETCH(QByteArray, name);
        MediaProbe probe(helper);
        const ContainerInfo viaHelper = probe.probe(path(name));
        const ContainerInfo direct = probeContainer(path(name), seconds(10));
        QCOMPARE(viaHelper.opened, direct.opened);
        QCOMPARE(viaHelper.hasVideo, direct.hasVideo);
        QCOMPARE(viaHelper.pixelWidth, direct.pixelWidth);
        QCOMPARE(viaHelper.pixelHeight, direct.pixelHeight);
        QCOMPARE(std::isnan(viaHelper.duration), std::isnan(direct.duration));
        if (!std::isnan(direct.duration))
            QCOMPARE(viaHelper.duration, direct.duration);
        QCOMPARE(viaHelper.creationTimeMicros, direct.creationTimeMicros);
        QCOMPARE(viaHelper.error, direct.error);
        QCOMPARE(probe.restarts(), 0);
    }

    void oneHelperServesEveryRequest() {
        MediaProbe probe(helper);
        QCOMPARE(probe.helperPid(), -1); // started lazily
        verifyLandscape(probe.probe(path("landscape.mp4")));
        const pid_t pid = probe.helperPid();
        QVERIFY(pid > 0);
        QVERIFY(!probe.probe(path("empty.mp4")).opened);
        QCOMPARE(probe.probe(path("portrait.mp4")).pixelHeight, 320);
        QCOMPARE(probe.helperPid(), pid);
        QCOMPARE(probe.restarts(), 0);
    }

    void misbehavingHelperCostsOneFile_data() {
        QTest::addColumn<QByteArray>("hook");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << QByteArray("ORSENTA_PROBE_TEST_CRASH_ON")
                               << QByteArray("crash-me")
                               << u"stopped while reading this file (signal 6"_s;
        QTest::newRow("hang") << QByteArray("ORSENTA_PROBE_TEST_HANG_ON") << QByteArray("hang-me")
                              << u"did not answer within 1000 ms"_s;
        QTest::newRow("garbage") << QByteArray("ORSENTA_PROBE_TEST_GARBAGE_ON")
                                 << QByteArray("garble-me") << u"unreadable answer"_s;
    }
    void misbehavingHelperCostsOneFile() {
        QFETCH(QByteArray, hook);
        QFETCH(QByteArray, name);
        QFETCH(QString, reason);
        const ScopedEnv env(hook.constData(), name);
        // The watchdog is a timeout, not a measurement: well-behaved requests take milliseconds.
        MediaProbe probe(helper, milliseconds(1000));

        verifyLandscape(probe.probe(path("landscape.mp4")));
        const pid_t first = probe.helperPid();

        const ContainerInfo lost = probe.probe(path(name + ".mp4"));
        QVERIFY(!lost.opened);
        QVERIFY(!lost.hasVideo);
        QVERIFY2(lost.error.contains(reason), qPrintable(lost.error));
        QCOMPARE(probe.restarts(), 1);
        QCOMPARE(probe.helperPid(), -1);
        QVERIFY(reaped(first));

        verifyLandscape(probe.probe(path("landscape.mp4")));
        QCOMPARE(probe.probe(path("portrait.mp4")).pixelWidth, 180);
        QVERIFY(probe.helperPid() > 0);
        QVERIFY(probe.helperPid() != first);
        QCOMPARE(probe.restarts(), 1);

        // Every later file that trips it costs a helper again, and only that file.
        QVERIFY(!probe.probe(path(name + ".mp4")).opened);
        QCOMPARE(probe.restarts(), 2);
        verifyLandscape(probe.probe(path("landscape.mp4")));
    }

    void helperThatDiedWhileIdleIsReplacedWithoutBlamingTheFile() {
        MediaProbe probe(helper);
        verifyLandscape(probe.probe(path("landscape.mp4")));
        const pid_t first = probe.helperPid();
        QCOMPARE(::kill(first, SIGKILL), 0);
        // Waits until it has died, and leaves it for the probe to reap.
        siginfo_t ended{};
        QCOMPARE(::waitid(P_PID, id_t(first), &ended, WEXITED | WNOWAIT), 0);

        verifyLandscape(probe.probe(path("landscape.mp4")));
        QCOMPARE(probe.restarts(), 1);
        QVERIFY(reaped(first));
    }

    void programThatIsNotTheHelper_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("missing") << u"/nonexistent/orsenta-probe"_s;
        QTest::newRow("exits at once") << u"/bin/true"_s;
        QTest::newRow("prints text") << u"/usr/bin/yes"_s;
        QTest::newRow("not executable") << QFile::decodeName(path("landscape.mp4"));
    }
    void programThatIsNotTheHelper() {
        QFETCH(QString, program);
        if (program.startsWith(u"/bin/"_s) || program.startsWith(u"/usr/bin/"_s)) {
            if (!QFileInfo(program).isExecutable())
                QSKIP("the program is not installed");
        }
        MediaProbe probe(program);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const ContainerInfo info = probe.probe(path("landscape.mp4"));
            QVERIFY(!info.opened);
            QVERIFY2(info.error.contains(u"probe helper"_s), qPrintable(info.error));
            QCOMPARE(probe.helperPid(), -1);
        }
        QCOMPARE(probe.restarts(), 0);
    }

    void destroyingTheProbeReapsTheHelper() {
        pid_t pid = -1;
        {
            MediaProbe probe(helper);
            verifyLandscape(probe.probe(path("landscape.mp4")));
            pid = probe.helperPid();
            QVERIFY(pid > 0);
        }
        QVERIFY(reaped(pid));
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
                        probe.probe(path(portrait ? "portrait.mp4" : "landscape.mp4"));
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
