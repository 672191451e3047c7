// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails of real videos at 128 by 80: one made from scratch (decoded in the helper, written to
// the desktop's cache), one answered from that cache, and the in-process decode as a floor,
// beside ffmpegthumbnailer -s 128 (or ffmpeg -ss 1 -frames:v 1) on the same files.

#include "benchsupport.h"
#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/framegrab.h"
#include "library/platform/folder/mediaprobe.h"
#include "library/platform/folder/thumbnailer.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int width = 128;
constexpr int height = 80;

QString probeHelper() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/orsenta-probe");
}

bool run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(600'000) && process.exitCode() == 0;
}

QStringList videosIn(const QString &folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).size() > 1024 && !path.endsWith(QStringLiteral(".part")))
            found << path;
    }
    found.sort();
    return found;
}

// As the index knows it: the displayed size read once at the scan.
Thumbnailer::Video videoAt(const QString &path) {
    static QHash<QString, ContainerInfo> known;
    if (!known.contains(path))
        known.insert(path, probeContainer(QFile::encodeName(path), std::chrono::seconds(10)));
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return {QFile::encodeName(path), std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000,
            std::int64_t(st.st_size), known[path].pixelWidth, known[path].pixelHeight};
}

// Median milliseconds per file over `rounds` passes over all the files.
template <typename Work>
double perFile(const QStringList &files, int rounds, Work &&work) {
    return medianMs(rounds,
                    [&] {
                        for (const QString &file : files)
                            work(file);
                    })
           / double(files.size());
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString library = dir.path() + QStringLiteral("/library");
    if (!run(QStringLiteral(ORSENTA_SOURCE_DIR "/tools/make-sample-library"),
             {QStringLiteral("--count"), QStringLiteral("20"), library})) {
        std::fprintf(stderr, "make-sample-library failed\n");
        return 1;
    }
    const QStringList files = videosIn(library);
    const QString hd = dir.path() + QStringLiteral("/hd.mp4");
    run(QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("quiet"), QStringLiteral("-f"),
         QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=10"), QStringLiteral("-c:v"),
         QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("veryfast"),
         QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), hd});
    figure("sample videos", files.size(), "files");

    // The floor: decoding in this process, no helper, no cache.
    const double inProcess = perFile(files, 3, [](const QString &file) {
        keep(grabFrame(QFile::encodeName(file), width, height, FrameFit::fill,
                       std::chrono::seconds(10)));
    });
    figure("thumbnail decoded in process (floor)", inProcess, "ms/file");

    // Made: the helper decodes, the picture goes into an empty cache, the exact size is cut.
    Thumbnailer thumbnailer(probeHelper(), 1, dir.path() + QStringLiteral("/cache"));
    const auto makeAll = [&](const QStringList &set, int rounds) {
        std::vector<double> passes;
        for (int round = 0; round <= rounds; ++round) {
            QDir(thumbnailer.cache().root()).removeRecursively(); // nothing is found
            const auto start = std::chrono::steady_clock::now();
            for (const QString &file : set)
                thumbnailer.make(
                    videoAt(file), width, height, ContentMode::aspectFill, false,
                    [](std::optional<QImage> image, bool, const QString &) { keep(image); });
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (round > 0) // the first pass starts the helper
                passes.push_back(took.count() / double(set.size()));
        }
        std::nth_element(passes.begin(), passes.begin() + passes.size() / 2, passes.end());
        return passes[passes.size() / 2];
    };
    const double made = makeAll(files, 3);
    figure("thumbnail made (helper, cache written)", made, "ms/file");
    const double madeHd = makeAll({hd}, 9);
    figure("thumbnail made, 1080p H.264", madeHd, "ms/file");

    // A cache hit.
    for (const QString &file : files)
        thumbnailer.make(videoAt(file), width, height, ContentMode::aspectFill, false,
                         [](std::optional<QImage>, bool, const QString &) {});
    const double hit = perFile(files, 9, [&](const QString &file) {
        thumbnailer.make(videoAt(file), width, height, ContentMode::aspectFill, false,
                         [](std::optional<QImage> image, bool, const QString &) { keep(image); });
    });
    figure("thumbnail from the desktop cache", hit, "ms/file");

    // The command-line peer, one process per file as a file manager's thumbnailer runs.
    const bool haveThumbnailer =
        !QStandardPaths::findExecutable(QStringLiteral("ffmpegthumbnailer")).isEmpty();
    const QString peerName = haveThumbnailer ? QStringLiteral("ffmpegthumbnailer -s 128")
                                             : QStringLiteral("ffmpeg -ss 1 -frames:v 1");
    const QString out = dir.path() + QStringLiteral("/peer.png");
    const auto peer = [&](const QString &file) {
        QFile::remove(out);
        if (haveThumbnailer)
            run(QStringLiteral("ffmpegthumbnailer"),
                {QStringLiteral("-s"), QStringLiteral("128"), QStringLiteral("-i"), file,
                 QStringLiteral("-o"), out});
        else
            run(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("quiet"), QStringLiteral("-ss"),
                 QStringLiteral("1"), QStringLiteral("-i"), file, QStringLiteral("-frames:v"),
                 QStringLiteral("1"), QStringLiteral("-s"), QStringLiteral("128x80"), out});
    };
    const double peerMs = perFile(files, 3, peer);
    const double peerHd = perFile({hd}, 9, peer);
    std::printf("%s: %.3f ms/file\n", qPrintable(peerName), peerMs);
    std::printf("%s, 1080p H.264: %.3f ms/file\n", qPrintable(peerName), peerHd);
    std::printf("thumbnail made: %.1f times as fast as %s\n", peerMs / made, qPrintable(peerName));
    ratio("thumbnail made", "command-line peer", made, peerMs);
    ratio("thumbnail made, 1080p H.264", "command-line peer", madeHd, peerHd);
    ratio("thumbnail from the desktop cache", "thumbnail made", hit, made);
    ratio("thumbnail made", "decoded in process", made, inProcess);
    return 0;
}
