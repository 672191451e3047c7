// SPDX-License-Identifier: GPL-3.0-or-later
// The folder library on real files: the first index of trees of 1,000 to 100,000 small files
// (whose cost per file must not grow with the library) and a rescan of the largest, each beside
// `find` over the same tree, and the first index of real videos beside ffprobe per file and
// beside opening each container in this process.

#include "benchsupport.h"
#include "foldertree.h"
#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/folderplatform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int treeSizes[] = {1'000, 10'000, 100'000};
constexpr int sampleVideos = 300;
constexpr int distinctSamples = 10;

double findMs(const QString &root) {
    return medianMs(5, [&] {
        QProcess find;
        find.setStandardOutputFile(QProcess::nullDevice());
        find.start(QStringLiteral("find"),
                   {root, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-printf"),
                    QStringLiteral("%s %T@ %p\\n")});
        find.waitForFinished(-1);
    });
}

// A whole first index into a new, empty index, as a scan reads it: the walk, then every video
// asked for once (the helpers start at the first video).
double firstIndexMs(const LibraryRoots &roots, const QString &indexPath) {
    FolderPlatform library(
        {.roots = roots, .indexPath = indexPath, .probeHelperPath = probeHelper()});
    const auto start = std::chrono::steady_clock::now();
    const auto fetch = library.fetchVideoAssets({});
    for (std::int64_t i = 0; i < fetch->count(); ++i)
        keep(fetch->at(i));
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

QByteArray label(const char *what, int files) {
    return QByteArray(what) + ' ' + QByteArray::number(files) + " files";
}

QStringList makeSamples(const QString &folder) {
    QStringList made;
    for (int i = 0; i < distinctSamples; ++i) {
        const QString path = folder + QStringLiteral("/sample%1.mp4").arg(i);
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-v"), QStringLiteral("quiet"), QStringLiteral("-f"),
                      QStringLiteral("lavfi"), QStringLiteral("-i"),
                      QStringLiteral("testsrc=size=%1x%2:rate=25").arg(320 + 64 * i).arg(240),
                      QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-c:v"),
                      QStringLiteral("libx264"), QStringLiteral("-preset"),
                      QStringLiteral("ultrafast"), path});
        ffmpeg.waitForFinished(-1);
        if (QFile::exists(path))
            made << path;
    }
    for (int i = distinctSamples; i < sampleVideos && !made.isEmpty(); ++i) {
        const QString copy = folder + QStringLiteral("/copy%1.mp4").arg(i);
        QFile::copy(made[i % distinctSamples], copy);
        made << copy;
    }
    return made;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir work;

    // First index of trees of growing size: the cost per file stays flat when the index grows
    // linearly with the library.
    double perFileAt[std::size(treeSizes)] = {};
    QString tree;
    QString treeIndex;
    LibraryRoots treeRoots;
    for (std::size_t size = 0; size < std::size(treeSizes); ++size) {
        const int files = treeSizes[size];
        tree = work.filePath(QStringLiteral("tree%1").arg(files));
        makeTree(tree, files);
        treeRoots = LibraryRoots{{QFile::encodeName(QDir(tree).canonicalPath())}, {}};
        treeIndex = work.filePath(QStringLiteral("tree%1.sqlite3").arg(files));
        perFileAt[size] = firstIndexMs(treeRoots, treeIndex) / files;
        const double findPerFile = findMs(tree) / files;
        const QByteArray index = label("folder first index per file,", files);
        const QByteArray find = label("baseline find per file,", files);
        figure(index.constData(), perFileAt[size], "ms");
        figure(find.constData(), findPerFile, "ms");
        ratio(index.constData(), find.constData(), perFileAt[size], findPerFile);
    }
    ratio("folder first index per file, 100000 files", "folder first index per file, 1000 files",
          perFileAt[std::size(treeSizes) - 1], perFileAt[0]);

    // Rescan of the largest tree, now indexed.
    const int treeFiles = treeSizes[std::size(treeSizes) - 1];
    FolderPlatform library(
        {.roots = treeRoots, .indexPath = treeIndex, .probeHelperPath = probeHelper()});
    std::int64_t counted = 0;
    const double rescanMs = medianMs(5, [&] { counted = library.fetchVideoAssets({})->count(); });
    const double baselineMs = findMs(tree);
    figure("folder rescan 100000 files", rescanMs, "ms");
    figure("baseline find 100000 files", baselineMs, "ms");
    ratio("folder rescan 100000 files", "baseline find 100000 files", rescanMs, baselineMs);
    if (counted != treeFiles)
        std::printf("folder rescan counted %lld files, expected %d\n", qlonglong(counted),
                    treeFiles);

    // First index of real videos.
    const QString videos = work.filePath(QStringLiteral("videos"));
    QDir().mkpath(videos);
    const QStringList samples = makeSamples(videos);
    const LibraryRoots videoRoots{{QFile::encodeName(QDir(videos).canonicalPath())}, {}};
    double indexMs = 0;
    for (int run = 0; run < 3; ++run) {
        const QString indexPath = work.filePath(QStringLiteral("videos%1.sqlite3").arg(run));
        const double took = firstIndexMs(videoRoots, indexPath);
        indexMs = run == 0 ? took : std::min(indexMs, took);
    }
    const double perFile = indexMs / samples.size();
    figure("folder first index", 1000.0 / perFile, "files/s");
    figure("folder first index per file", perFile, "ms");

    // The same reads with the helpers already running: what a large library sees after the
    // first few files. Touching the files makes every row stale again.
    FolderPlatform warm({.roots = videoRoots,
                         .indexPath = work.filePath(QStringLiteral("warm.sqlite3")),
                         .probeHelperPath = probeHelper()});
    {
        const auto fetch = warm.fetchVideoAssets({});
        for (std::int64_t i = 0; i < fetch->count(); ++i)
            keep(fetch->at(i));
    }
    double warmMs = 0;
    for (int run = 0; run < 3; ++run) {
        const auto later = QDateTime::currentDateTime().addSecs(run + 1);
        for (const QString &sample : samples) {
            QFile file(sample);
            if (file.open(QIODevice::ReadWrite))
                file.setFileTime(later, QFileDevice::FileModificationTime);
        }
        const auto start = std::chrono::steady_clock::now();
        const auto fetch = warm.fetchVideoAssets({});
        for (std::int64_t i = 0; i < fetch->count(); ++i)
            keep(fetch->at(i));
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        warmMs = run == 0 ? took.count() : std::min(warmMs, took.count());
    }
    const double warmPerFile = warmMs / samples.size();
    figure("folder index per file with helpers running", warmPerFile, "ms");

    const double ffprobeMs =
        medianMs(1,
                 [&] {
                     for (int i = 0; i < 30; ++i) {
                         QProcess ffprobe;
                         ffprobe.setStandardOutputFile(QProcess::nullDevice());
                         ffprobe.start(QStringLiteral("ffprobe"),
                                       {QStringLiteral("-v"), QStringLiteral("quiet"),
                                        QStringLiteral("-show_format"),
                                        QStringLiteral("-show_streams"), samples[i]});
                         ffprobe.waitForFinished(-1);
                     }
                 })
        / 30;
    figure("baseline ffprobe per file", ffprobeMs, "ms");
    const double floorMs =
        medianMs(3,
                 [&] {
                     for (const QString &sample : samples)
                         keep(probeContainer(QFile::encodeName(sample), std::chrono::seconds(10)));
                 })
        / samples.size();
    figure("floor in-process container read per file", floorMs, "ms");
    ratio("folder first index per file", "baseline ffprobe per file", perFile, ffprobeMs);
    ratio("folder first index per file", "floor in-process container read per file", perFile,
          floorMs);
    return 0;
}
