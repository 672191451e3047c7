// SPDX-License-Identifier: GPL-3.0-or-later
// What fingerprinting adds to the first index of a video: the fingerprint of 1080p H.264 videos
// with a phone's one-second keyframe interval, 10, 30 and 60 seconds long, and of one with
// keyframes ten seconds apart, in the helper as a scan makes it (and in process, with its CPU
// time), each beside the container read in the helper that the scan makes of every video anyway.

#include "benchsupport.h"
#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/fingerprinter.h"
#include "library/platform/folder/mediaprobe.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <ctime>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr auto deadline = std::chrono::seconds(30);

struct Sample {
    int seconds;
    int keyframeInterval; // in frames, at 30 frames a second
};
constexpr Sample samples[] = {{10, 30}, {30, 30}, {60, 30}, {30, 300}};

// Moving, detailed pictures with grain, at about a phone's bit rate.
QString makeVideo(const QString &folder, const Sample &sample) {
    const QString path =
        folder + QStringLiteral("/%1s-g%2.mp4").arg(sample.seconds).arg(sample.keyframeInterval);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=%1,"
                                 "noise=alls=12:allf=t")
                      .arg(sample.seconds),
                  QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                  QStringLiteral("veryfast"), QStringLiteral("-b:v"), QStringLiteral("12M"),
                  QStringLiteral("-g"), QString::number(sample.keyframeInterval),
                  QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path});
    ffmpeg.waitForFinished(-1);
    return QFile::exists(path) ? path : QString();
}

// CPU milliseconds of one call on this thread: on a busy machine wall time also counts waiting
// for a core.
template <typename Work>
double cpuMs(Work &&work) {
    const auto now = [] {
        timespec at{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &at);
        return double(at.tv_sec) * 1e3 + double(at.tv_nsec) / 1e6;
    };
    const double start = now();
    work();
    return now() - start;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    MediaProbe helper(QCoreApplication::applicationDirPath() + QStringLiteral("/orsenta-probe"),
                      deadline);
    for (const Sample &sample : samples) {
        const QString made = makeVideo(work.path(), sample);
        if (made.isEmpty()) {
            std::printf("ffmpeg could not make a %d s video\n", sample.seconds);
            return 1;
        }
        const QByteArray path = QFile::encodeName(made);
        QString error;
        const double fingerprintMs =
            medianMs(3, [&] { keep(fingerprintVideo(path, deadline, &error)); });
        const double helperMs = medianMs(3, [&] { keep(helper.fingerprint(path)); });
        const double probeMs = medianMs(5, [&] { keep(helper.probe(path)); });
        const double fingerprintCpuMs =
            cpuMs([&] { keep(fingerprintVideo(path, deadline, &error)); });
        const QByteArray name = QByteArray::number(sample.seconds) + " s 1080p, keyframe every "
                                + QByteArray::number(sample.keyframeInterval) + " frames";
        const QByteArray fingerprint = "fingerprint in the helper " + name;
        const QByteArray probe = "container read in the helper " + name;
        figure(fingerprint.constData(), helperMs, "ms");
        const QByteArray inProcess = "fingerprint in process " + name;
        figure(inProcess.constData(), fingerprintMs, "ms");
        figure(QByteArray(inProcess + ", CPU time").constData(), fingerprintCpuMs, "ms");
        figure(probe.constData(), probeMs, "ms");
        ratio(fingerprint.constData(), probe.constData(), helperMs, probeMs);
        if (!error.isEmpty())
            std::printf("fingerprint failed: %s\n", qPrintable(error));
    }
    return 0;
}
