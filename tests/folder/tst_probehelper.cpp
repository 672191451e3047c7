// The orsenta-probe helper on its own, spoken to byte by byte: what it writes to stdout must be
// frames and nothing else, whatever FFmpeg has to say about the files.

#include "library/platform/folder/probeprotocol.h"
#include "support/samplevideos.h"
#include "support/testmain.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;
namespace protocol = orsenta::platform::probeprotocol;

namespace {

const QString helper = QStringLiteral(ORSENTA_PROBE_HELPER);

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

QByteArray probeFrame(const QByteArray &path) {
    return protocol::encodeFrame(protocol::Kind::probe,
                                 protocol::encodeProbeRequest({std::chrono::seconds(10), path}));
}

struct Run {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// Feeds `input` to a fresh helper, closes its stdin and waits for it to end.
Run runHelper(const QByteArray &input, const QStringList &environment = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : environment)
        env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(env);
    process.start(helper, {});
    Run run;
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    return run;
}

} // namespace

class TestProbeHelper : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QByteArray path(const char *name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(!makeVideo(QFile::decodeName(path("clip.mp4")), {}).isEmpty());
        QVERIFY(writeNewFile(QFile::decodeName(path("noise.mkv")), QByteArray(4096, '\x5a')));
    }

    void saysHelloAndEndsCleanlyAtEndOfInput() {
        const Run run = runHelper({});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output, protocol::encodeFrame(protocol::Kind::hello, protocol::encodeHello()));
    }

    // With FFmpeg's log switched on, its complaints about bad files go to stderr and the stream
    // on stdout stays exactly one answer per request.
    void answersInFramesAndLogsElsewhere() {
        const Run run = runHelper(probeFrame(path("noise.mkv")) + probeFrame(path("clip.mp4"))
                                      + probeFrame(path("missing.mp4")),
                                  {u"ORSENTA_PROBE_LOG=1"_s});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.errors.isEmpty());
        const auto written = frames(run.output);
        QVERIFY(written);
        QCOMPARE(written->size(), 4u);
        QCOMPARE(written->at(0).kind, protocol::Kind::hello);
        std::vector<bool> opened;
        for (std::size_t i = 1; i < written->size(); ++i) {
            QCOMPARE(written->at(i).kind, protocol::Kind::probeAnswer);
            const auto answer = protocol::decodeProbeAnswer(written->at(i).payload);
            QVERIFY(answer);
            opened.push_back(answer->opened);
        }
        QCOMPARE(opened, (std::vector<bool>{false, true, false}));
    }

    void unknownRequestIsAnsweredAndTheHelperGoesOn() {
        const Run run = runHelper(protocol::encodeFrame(protocol::Kind(0x11), "thumbnail please")
                                  + probeFrame(path("clip.mp4")));
        QCOMPARE(run.exitCode, 0);
        const auto written = frames(run.output);
        QVERIFY(written);
        QCOMPARE(written->size(), 3u);
        QCOMPARE(written->at(1).kind, protocol::Kind::error);
        QCOMPARE(written->at(2).kind, protocol::Kind::probeAnswer);
        QVERIFY(protocol::decodeProbeAnswer(written->at(2).payload)->hasVideo);
    }

    void badInputIsNeverAnsweredAsAProbe_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("refused"); // answered with an error frame, then went on
        QTest::newRow("text instead of frames") << QByteArray("probe /tmp/a.mp4\n") << 1 << false;
        QTest::newRow("cut in a header") << QByteArray("\x10\x04\x00", 3) << 1 << false;
        QTest::newRow("cut in a payload")
            << protocol::encodeFrame(protocol::Kind::probe, "abcdefgh").chopped(2) << 1 << false;
        QTest::newRow("probe without its deadline")
            << protocol::encodeFrame(protocol::Kind::probe, "ab") << 0 << true;
    }
    void badInputIsNeverAnsweredAsAProbe() {
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(bool, refused);
        const Run run = runHelper(input);
        QCOMPARE(run.exitCode, exitCode);
        const auto written = frames(run.output);
        QVERIFY(written);
        QCOMPARE(written->size(), refused ? 2u : 1u);
        if (refused)
            QCOMPARE(written->at(1).kind, protocol::Kind::error);
    }
};

ORSENTA_TEST_MAIN(TestProbeHelper)
#include "tst_probehelper.moc"
