// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/platform/folder/probeprotocol.h"
#include "samecontainer.h"
#include "support/testmain.h"

#include <QtEndian>

#include <cmath>
#include <limits>

using namespace orsenta::platform;
using namespace orsenta::test;
using namespace Qt::StringLiterals;
namespace protocol = orsenta::platform::probeprotocol;

namespace {

ContainerInfo fullInfo() {
    return {.opened = true,
            .duration = 12.5,
            .pixelWidth = 1080,
            .pixelHeight = 1920,
            .creationTimeMicros = 1'623'745'800'123'456,
            .hasVideo = true,
            .error = u"incomplete stream information: é ✓"_s};
}

// Offsets into an answer payload, for cases that damage one field.
constexpr int flagsAt = 0;
constexpr int durationAt = 1;
constexpr int widthAt = 9;
constexpr int errorLengthAt = 33;

template <typename T>
QByteArray patched(QByteArray payload, int offset, T value) {
    qToLittleEndian(value, payload.data() + offset);
    return payload;
}

FingerprintReading fingerprinted() {
    FingerprintReading reading;
    reading.fingerprint.codec = "hevc";
    for (int i = 0; i < orsenta::fingerprintFrameCount; ++i)
        reading.fingerprint.frames.push_back(i == 3 ? 0 : ~0ull / (i + 1));
    return reading;
}

// A fingerprint answer laid out by hand, so that each field can be wrong on its own.
QByteArray fingerprintAnswer(const QByteArray &error, const QByteArray &codec, std::uint32_t count,
                             int frames, char flags = 0) {
    QByteArray payload = flags + patched(QByteArray(4, 0), 0, std::uint32_t(error.size())) + error;
    payload += char(codec.size()) + codec;
    payload += patched(QByteArray(4, 0), 0, count);
    for (int i = 0; i < frames; ++i)
        payload += patched(QByteArray(8, 0), 0, std::uint64_t(0x0123'4567'89ab'cdefull * i));
    return payload;
}

} // namespace

Q_DECLARE_METATYPE(ContainerInfo)

class TestProbeProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answerSurvivesTheTrip_data() {
        QTest::addColumn<ContainerInfo>("info");
        QTest::newRow("nothing known") << ContainerInfo{};
        QTest::newRow("everything known") << fullInfo();
        ContainerInfo early = fullInfo();
        early.creationTimeMicros = -86'400'000'000; // 1969-12-31: negative but present
        QTest::newRow("before 1970") << early;
        ContainerInfo epoch = fullInfo();
        epoch.creationTimeMicros = 0; // zero is a time, not "absent"
        QTest::newRow("at the epoch") << epoch;
        QTest::newRow("reading the file failed")
            << ContainerInfo{.failure = ReadFailure::cannotOpen, .error = u"I/O error"_s};
    }
    void answerSurvivesTheTrip() {
        QFETCH(ContainerInfo, info);
        const auto decoded = protocol::decodeProbeAnswer(protocol::encodeProbeAnswer(info));
        QVERIFY(decoded);
        verifySameContainer(*decoded, info);
        QCOMPARE(decoded->failure, info.failure);
    }

    void longErrorsAreCutToABoundedFrame() {
        ContainerInfo info{.error = QString(100'000, u'x')};
        const QByteArray payload = protocol::encodeProbeAnswer(info);
        QVERIFY(payload.size() < 8192);
        const auto decoded = protocol::decodeProbeAnswer(payload);
        QVERIFY(decoded);
        QVERIFY(info.error.startsWith(decoded->error));
        QVERIFY(!decoded->error.isEmpty());
    }

    void damagedAnswersAreRefused_data() {
        QTest::addColumn<QByteArray>("payload");
        const QByteArray good = protocol::encodeProbeAnswer(fullInfo());
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut in the fixed part") << good.left(20);
        QTest::newRow("cut in the error text") << good.chopped(1);
        QTest::newRow("a byte too many") << good + 'x';
        QTest::newRow("unknown flag") << patched<std::uint8_t>(good, flagsAt, 0x17);
        QTest::newRow("opened and unreadable") << patched<std::uint8_t>(good, flagsAt, 0x0f);
        QTest::newRow("negative duration") << patched<double>(good, durationAt, -1.0);
        QTest::newRow("infinite duration")
            << patched<double>(good, durationAt, std::numeric_limits<double>::infinity());
        QTest::newRow("negative width") << patched<std::int64_t>(good, widthAt, -1920);
        QTest::newRow("error longer than the frame")
            << patched<std::uint32_t>(good, errorLengthAt, 0xffff'ffffu);
        const QByteArray closed = protocol::encodeProbeAnswer({.error = u"no"_s});
        QTest::newRow("unopened with a video") << patched<std::uint8_t>(closed, flagsAt, 2);
        QTest::newRow("unopened with a size") << patched<std::int64_t>(closed, widthAt, 320);
        QTest::newRow("unopened with a duration") << patched<double>(closed, durationAt, 1.0);
    }
    void damagedAnswersAreRefused() {
        QFETCH(QByteArray, payload);
        QVERIFY(!protocol::decodeProbeAnswer(payload));
    }

    void requestKeepsEveryByteOfThePath_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("newline, percent, invalid UTF-8")
            << QByteArray("/v/line\nbreak 100%20 bad\xff\xfe.mp4");
        QTest::newRow("empty") << QByteArray();
    }
    void requestKeepsEveryByteOfThePath() {
        QFETCH(QByteArray, path);
        const auto decoded = protocol::decodeProbeRequest(
            protocol::encodeProbeRequest({std::chrono::milliseconds(7500), path}));
        QVERIFY(decoded);
        QCOMPARE(decoded->path, path);
        QCOMPARE(decoded->deadline.count(), 7500);
        QVERIFY(!protocol::decodeProbeRequest(QByteArray("abc"))); // no room for the deadline
    }

    // Kind, length, payload; a header must be whole, and its length within bounds.
    void framesAreKindLengthPayload_data() {
        QTest::addColumn<std::uint32_t>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty payload") << 0u << true;
        QTest::newRow("largest") << protocol::maxPayload << true;
        QTest::newRow("one over") << protocol::maxPayload + 1 << false;
        QTest::newRow("text read as a length") << qFromLittleEndian<std::uint32_t>("his ") << false;
    }
    void framesAreKindLengthPayload() {
        QFETCH(std::uint32_t, length);
        QFETCH(bool, accepted);
        char bytes[protocol::headerSize] = {char(protocol::Kind::probeAnswer)};
        qToLittleEndian(length, bytes + 1);
        const auto header = protocol::decodeHeader(QByteArrayView(bytes, sizeof bytes));
        QCOMPARE(bool(header), accepted);
        if (header) {
            QCOMPARE(header->length, length);
            QCOMPARE(header->kind, protocol::Kind::probeAnswer);
        }

        const QByteArray frame = protocol::encodeFrame(protocol::Kind::probe, "abc");
        QCOMPARE(frame, QByteArray("\x10\x03\x00\x00\x00"
                                   "abc",
                                   8));
        QVERIFY(!protocol::decodeHeader(frame.left(protocol::headerSize - 1)));
    }

    void thumbnailRequestsKeepTheirFields_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ordinary") << 128 << 80 << true;
        QTest::newRow("largest") << maxFrameSide << maxFrameSide << true;
        QTest::newRow("zero wide") << 0 << 80 << false;
        QTest::newRow("too tall") << 128 << maxFrameSide + 1 << false;
    }
    void thumbnailRequestsKeepTheirFields() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, valid);
        const QByteArray path("/v/new\nline \xff.mp4");
        const auto decoded = protocol::decodeThumbnailRequest(protocol::encodeThumbnailRequest(
            {std::chrono::milliseconds(7500), width, height, FrameFit::within, path}));
        QCOMPARE(decoded.has_value(), valid);
        if (valid) {
            QCOMPARE(decoded->deadline, std::chrono::milliseconds(7500));
            QCOMPARE(QSize(decoded->width, decoded->height), QSize(width, height));
            QCOMPARE(decoded->fit, FrameFit::within);
            QCOMPARE(decoded->path, path);
        }
        QByteArray badFit = protocol::encodeThumbnailRequest(
            {std::chrono::milliseconds(1), 8, 8, FrameFit::fill, path});
        badFit[12] = 7;
        QVERIFY(!protocol::decodeThumbnailRequest(badFit));
    }

    // A picture's pixels must be exactly what its size says; anything else is out of step.
    void thumbnailAnswersAreChecked() {
        GrabbedFrame frame;
        frame.width = 3;
        frame.height = 2;
        frame.pixels = QByteArray(18, '\x42');
        const auto back = protocol::decodeThumbnailAnswer(protocol::encodeThumbnailAnswer(frame));
        QVERIFY(back);
        QCOMPARE(back->pixels, frame.pixels);
        QCOMPARE(QSize(back->width, back->height), QSize(3, 2));

        GrabbedFrame none;
        none.error = QStringLiteral("no video stream");
        const auto empty = protocol::decodeThumbnailAnswer(protocol::encodeThumbnailAnswer(none));
        QVERIFY(empty && empty->isNull());
        QCOMPARE(empty->error, none.error);

        QByteArray shortOne = protocol::encodeThumbnailAnswer(frame);
        shortOne.chop(1);
        QVERIFY(!protocol::decodeThumbnailAnswer(shortOne));
        QVERIFY(!protocol::decodeThumbnailAnswer(protocol::encodeThumbnailAnswer(frame) + "x"));
        QByteArray lying = protocol::encodeThumbnailAnswer(frame);
        lying[0] = 0; // no width, yet a height and pixels
        QVERIFY(!protocol::decodeThumbnailAnswer(lying));
    }

    void fingerprintAnswerSurvivesTheTrip() {
        const auto decoded =
            protocol::decodeFingerprintAnswer(protocol::encodeFingerprintAnswer(fingerprinted()));
        QVERIFY(decoded);
        QCOMPARE(decoded->fingerprint, fingerprinted().fingerprint);
        for (const ReadFailure failure :
             {ReadFailure::none, ReadFailure::cannotOpen, ReadFailure::helperHung}) {
            const FingerprintReading failed{{}, u"no video stream ✓"_s, failure};
            const auto none =
                protocol::decodeFingerprintAnswer(protocol::encodeFingerprintAnswer(failed));
            QVERIFY(none && none->fingerprint.isEmpty());
            QCOMPARE(none->error, failed.error);
            QCOMPARE(none->failure, failure);
        }
    }

    // A whole fingerprint with its codec, or none at all; anything else is out of step.
    void fingerprintAnswersAreChecked_data() {
        constexpr auto frames = std::uint32_t(orsenta::fingerprintFrameCount);
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("valid");
        QTest::newRow("whole") << fingerprintAnswer({}, "h264", frames, frames) << true;
        QTest::newRow("none, and why") << fingerprintAnswer("no video", {}, 0, 0) << true;
        QTest::newRow("unreadable") << fingerprintAnswer("I/O error", {}, 0, 0, 1) << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("unreadable, yet frames")
            << fingerprintAnswer({}, "h264", frames, frames, 1) << false;
        QTest::newRow("out of time") << fingerprintAnswer("timed out", {}, 0, 0, 2) << true;
        QTest::newRow("out of time, yet frames")
            << fingerprintAnswer({}, "h264", frames, frames, 2) << false;
        QTest::newRow("both flags") << fingerprintAnswer("x", {}, 0, 0, 3) << false;
        QTest::newRow("unknown flag") << fingerprintAnswer("x", {}, 0, 0, 4) << false;
        QTest::newRow("a frame short")
            << fingerprintAnswer({}, "h264", frames, frames - 1) << false;
        QTest::newRow("a byte too many")
            << fingerprintAnswer({}, "h264", frames, frames) + 'x' << false;
        QTest::newRow("fewer frames than a fingerprint has")
            << fingerprintAnswer({}, "h264", frames - 1, frames - 1) << false;
        QTest::newRow("frames without a codec")
            << fingerprintAnswer({}, {}, frames, frames) << false;
        QTest::newRow("a codec without frames") << fingerprintAnswer({}, "h264", 0, 0) << false;
        QTest::newRow("a codec that is not a name")
            << fingerprintAnswer({}, "h 264", frames, frames) << false;
        QTest::newRow("error longer than the frame")
            << patched<std::uint32_t>(fingerprintAnswer("x", {}, 0, 0), 1, 0xffff'ffffu) << false;
        QTest::newRow("unbounded error")
            << fingerprintAnswer(QByteArray(8192, 'x'), {}, 0, 0) << false;
    }
    void fingerprintAnswersAreChecked() {
        QFETCH(QByteArray, payload);
        QFETCH(bool, valid);
        const auto decoded = protocol::decodeFingerprintAnswer(payload);
        QCOMPARE(decoded.has_value(), valid);
        if (decoded)
            QCOMPARE(protocol::encodeFingerprintAnswer(*decoded), payload);
    }

    void helloNamesTheProtocolVersion() {
        QVERIFY(protocol::isCompatibleHello(protocol::encodeHello()));
        QByteArray other = protocol::encodeHello();
        other[0] = char(other[0] + 1);
        QVERIFY(!protocol::isCompatibleHello(other));
        QVERIFY(!protocol::isCompatibleHello(protocol::encodeHello() + 'x'));
    }
};

ORSENTA_TEST_MAIN(TestProbeProtocol)
#include "tst_probeprotocol.moc"
