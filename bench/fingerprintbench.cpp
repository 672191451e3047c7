// SPDX-License-Identifier: GPL-3.0-or-later
// What fingerprinting adds to the first index of a video: the in-process fingerprint of 1080p
// H.264 videos with a phone's one-second keyframe interval, 10, 30 and 60 seconds long, and of
// one with keyframes ten seconds apart, each beside the in-process container read the index
// makes of every video anyway.

#include "benchsupport.h"
#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/fingerprinter.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    for (const Sample &sample : samples) {
        const QString made = makeVideo(work.path(), sample);
        if (made.isEmpty()) {
            std::printf("ffmpeg could not make a %d s video\n", sample.seconds);
            return 1;
        }
        const QByteArray path = QFile::encodeName(made);
        QString error;
        const double fingerprintMs =
            medianMs(5, [&] { keep(fingerprintVideo(path, deadline, &error)); });
        const double probeMs = medianMs(5, [&] { keep(probeContainer(path, deadline)); });
        const QByteArray name = QByteArray::number(sample.seconds) + " s 1080p, keyframe every "
                                + QByteArray::number(sample.keyframeInterval) + " frames";
        const QByteArray fingerprint = "fingerprint " + name;
        const QByteArray probe = "container read " + name;
        figure(fingerprint.constData(), fingerprintMs, "ms");
        figure(probe.constData(), probeMs, "ms");
        ratio(fingerprint.constData(), probe.constData(), fingerprintMs, probeMs);
        if (!error.isEmpty())
            std::printf("fingerprint failed: %s\n", qPrintable(error));
    }
    return 0;
}
