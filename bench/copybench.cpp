// SPDX-License-Identifier: GPL-3.0-or-later
// Identical copies in the folder library: the content check over groups of videos of one size
// beside `jdupes -r` over the same folder, from a cold and a warm page cache; its reading speed
// beside reading the same files to nowhere; and a rescan with a check of an unchanged library of
// 1,000 to 100,000 files, whose answers are all remembered, beside the rescan alone.
//
// Sizes: ORSENTA_COPYBENCH_FILES (200 videos), ORSENTA_COPYBENCH_MAX_MB (8, the smallest is 1)
// and ORSENTA_COPYBENCH_TREES (1000,10000,100000).

#include "benchsupport.h"
#include "foldertree.h"
#include "library/platform/folder/folderplatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <map>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr std::int64_t mib = 1024 * 1024;

int setting(const char *name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

QList<int> treeSizes() {
    QList<int> sizes;
    for (const QByteArray &size : qgetenv("ORSENTA_COPYBENCH_TREES").split(','))
        if (const int files = size.toInt(); files > 0)
            sizes << files;
    return sizes.isEmpty() ? QList<int>{1'000, 10'000, 100'000} : sizes;
}

QStringList filesUnder(const QString &root) {
    QStringList files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// Drops the files' pages from the page cache, so that the next read comes from the disk.
void evict(const QStringList &files) {
    for (const QString &path : files) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::fdatasync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// Groups of five videos of one size, 1 to `maxMb` MB: in each, three true copies and two
// strangers, one differing in its last byte, the other in a byte no sample covers.
void makeVideos(const QString &folder, int videos, int maxMb) {
    QDir().mkpath(folder);
    QRandomGenerator random(7);
    for (int group = 0; group * 5 < videos; ++group) {
        const qsizetype size = qsizetype(mib) + random.bounded(qsizetype(maxMb - 1) * mib + 1);
        QByteArray content(size, '\0');
        random.fillRange(reinterpret_cast<quint32 *>(content.data()), size / 4);
        for (int member = 0; member < 5 && group * 5 + member < videos; ++member) {
            QByteArray bytes = content;
            if (member == 3)
                bytes[size - 1] = char(~bytes[size - 1]);
            if (member == 4)
                bytes[size / 4] = char(~bytes[size / 4]);
            QFile file(folder + QStringLiteral("/group%1 clip%2.mp4").arg(group).arg(member));
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                file.write(bytes);
        }
    }
}

// `files` small files in folders of a hundred: every tenth in a group of four of one size (half
// of the groups copies, half strangers), the others each of a size of its own, sparse.
void makeGroupedTree(const QString &root, int files) {
    for (int i = 0; i < files; ++i) {
        const QString folder = root + QStringLiteral("/%1/%2").arg(i / 10'000).arg(i / 100);
        if (i % 100 == 0)
            QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/IMG_%1.MOV").arg(i, 6, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            continue;
        if (i % 10 == 0) {
            const int group = i / 40;
            const char fill = group % 2 == 0 ? 'c' : char('a' + (i / 10) % 4);
            file.write(QByteArray(100 + group, fill));
        } else {
            file.resize(1'000'000 + i);
        }
    }
}

// Every video of a scan (each asked for, as the window's scan does), grouped by size where two
// or more share one.
std::vector<QStringList> scanGroups(FolderPlatform &library, std::int64_t *count = nullptr) {
    const auto fetch = library.fetchVideoAssets(library.makeFetchOptions());
    std::map<std::int64_t, QStringList> bySize;
    for (std::int64_t i = 0; i < fetch->count(); ++i) {
        const AssetPtr asset = fetch->at(i);
        const auto *size = std::get_if<SignedMember>(asset->members.find(members::fileSize));
        bySize[size ? size->value : -1 - i] << asset->localIdentifier;
    }
    if (count)
        *count = fetch->count();
    std::vector<QStringList> groups;
    for (auto &[size, ids] : bySize)
        if (ids.size() > 1)
            groups.push_back(std::move(ids));
    return groups;
}

template <typename Work>
double elapsedMs(Work &&work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double jdupesMs(const QString &folder) {
    return elapsedMs([&] {
        QProcess jdupes;
        jdupes.setStandardOutputFile(QProcess::nullDevice());
        jdupes.start(QStringLiteral("jdupes"),
                     {QStringLiteral("-q"), QStringLiteral("-r"), folder});
        jdupes.waitForFinished(-1);
    });
}

struct CheckRun {
    double ms = 0;
    std::int64_t bytes = 0;
};

// One check with nothing remembered: a copy of the index as the first scan left it, scanned
// first, then the check alone timed.
CheckRun checkFromNothing(const LibraryRoots &roots, const QString &firstIndex,
                          const QString &indexPath, const QStringList *evicted) {
    QFile::remove(indexPath);
    QFile::copy(firstIndex, indexPath);
    FolderPlatform library(
        {.roots = roots, .indexPath = indexPath, .probeHelperPath = probeHelper()});
    const std::vector<QStringList> groups = scanGroups(library);
    if (evicted)
        evict(*evicted);
    const double ms = elapsedMs([&] { keep(library.checkContent(groups, {}, {})); });
    return {ms, library.contentBytesRead()};
}

// Reads each file to nowhere in 1 MiB pieces: the floor of any content check.
double readMs(const QStringList &files) {
    std::vector<char> buffer(static_cast<std::size_t>(mib));
    return elapsedMs([&] {
        for (const QString &path : files) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            while (::read(fd, buffer.data(), buffer.size()) > 0) {
            }
            ::close(fd);
        }
    });
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const int videos = setting("ORSENTA_COPYBENCH_FILES", 200);
    const int maxMb = std::max(2, setting("ORSENTA_COPYBENCH_MAX_MB", 8));

    const QString folder = work.filePath(QStringLiteral("videos"));
    makeVideos(folder, videos, maxMb);
    const QStringList files = filesUnder(folder);
    const QString firstIndex = work.filePath(QStringLiteral("first.sqlite3"));
    const LibraryRoots roots = indexTree(folder, firstIndex);
    const QString indexPath = work.filePath(QStringLiteral("check.sqlite3"));

    // The files a check reads whole: those whose samples agree with another's (all but the
    // strangers that differ in their last byte).
    QStringList candidates;
    for (const QString &path : files)
        if (!path.endsWith(QStringLiteral("clip3.mp4")))
            candidates << path;

    for (const bool cold : {true, false}) {
        const char *cache = cold ? "cold" : "warm";
        CheckRun check;
        std::vector<double> checks, baselines, floors;
        for (int run = 0; run < 3; ++run) {
            if (!cold)
                readMs(files);
            check = checkFromNothing(roots, firstIndex, indexPath, cold ? &files : nullptr);
            checks.push_back(check.ms);
            if (cold)
                evict(files);
            baselines.push_back(jdupesMs(folder));
            if (cold)
                evict(candidates);
            floors.push_back(readMs(candidates));
        }
        for (auto *times : {&checks, &baselines, &floors})
            std::sort(times->begin(), times->end());
        const double jdupes = baselines[1];
        const double floor = floors[1];
        const QByteArray name = QByteArray("content check, ") + cache;
        const QByteArray baseline = QByteArray("baseline jdupes -r, ") + cache;
        figure(name.constData(), checks[1], "ms");
        figure(baseline.constData(), jdupes, "ms");
        ratio(name.constData(), baseline.constData(), checks[1], jdupes);

        const double checkRate = double(check.bytes) / mib / (checks[1] / 1000);
        std::int64_t candidateBytes = 0;
        for (const QString &path : candidates)
            candidateBytes += QFileInfo(path).size();
        const double floorRate = double(candidateBytes) / mib / (floor / 1000);
        const QByteArray rate = QByteArray("content check reading, ") + cache;
        const QByteArray floorName = QByteArray("floor reading to nowhere, ") + cache;
        figure(rate.constData(), checkRate, "MiB/s");
        figure(floorName.constData(), floorRate, "MiB/s");
        // Above 1 here means faster than the floor.
        ratio(rate.constData(), floorName.constData(), checkRate, floorRate);
    }

    // An unchanged library: every answer remembered, so the check adds lookups and no reads.
    for (const int size : treeSizes()) {
        const QString tree = work.filePath(QStringLiteral("tree%1").arg(size));
        makeGroupedTree(tree, size);
        const QString treeIndex = work.filePath(QStringLiteral("tree%1.sqlite3").arg(size));
        const LibraryRoots treeRoots = indexTree(tree, treeIndex);
        FolderPlatform library(
            {.roots = treeRoots, .indexPath = treeIndex, .probeHelperPath = probeHelper()});
        keep(library.checkContent(scanGroups(library), {}, {}));
        const std::int64_t readBefore = library.contentBytesRead();
        // Rescans alone and rescans with a check, taken in turns so that a busy machine weighs
        // on both alike; small libraries, whose rescans take milliseconds, many times over.
        std::int64_t counted = 0;
        std::vector<double> rescans, withChecks;
        const int runs = std::clamp(100'000 / size, 9, 51);
        for (int run = 0; run < runs; ++run) {
            rescans.push_back(elapsedMs([&] { keep(scanGroups(library, &counted)); }));
            withChecks.push_back(
                elapsedMs([&] { keep(library.checkContent(scanGroups(library), {}, {})); }));
        }
        std::sort(rescans.begin(), rescans.end());
        std::sort(withChecks.begin(), withChecks.end());
        const double rescan = rescans[rescans.size() / 2];
        const double withCheck = withChecks[withChecks.size() / 2];
        const QByteArray name = "rescan and check, " + QByteArray::number(size) + " files";
        const QByteArray baseline = "baseline rescan, " + QByteArray::number(size) + " files";
        figure(name.constData(), withCheck, "ms");
        figure(baseline.constData(), rescan, "ms");
        ratio(name.constData(), baseline.constData(), withCheck, rescan);
        if (counted != size || library.contentBytesRead() != readBefore)
            std::printf("rescan and check counted %lld files and read %lld bytes again\n",
                        qlonglong(counted), qlonglong(library.contentBytesRead() - readBefore));
    }
    return 0;
}
