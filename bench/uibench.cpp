// SPDX-License-Identifier: GPL-3.0-or-later
// The video table over a large library: a new row set to its first painted frame, one keystroke
// through to the repainted table, and the process's resident memory, each beside the same figure
// for an empty library in the same run. Each library is measured in a process of its own, so
// that one's memory never counts in another's. The large library is the folder library over
// 100,000 real files, as the application runs it, and also the in-memory test library, whose
// own assets weigh more than the folder library's index.

#include "benchsupport.h"
#include "foldertree.h"
#include "library/platform/folder/folderplatform.h"
#include "library/platform/memory/memoryplatform.h"
#include "scanthrough.h"
#include "syntheticlibrary.h"
#include "ui/videotableview.h"
#include "viewmodel/videolistviewmodel.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int libraryCount = 100'000;
constexpr int frameRuns = 9;
constexpr int keystrokeRuns = 21;

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// What the window's table costs over one library.
struct Figures {
    double newRowSetMs = 0;
    double keystrokeMs = 0;
    double residentMB = 0;
    // What showing the table added to the process, beside the library and view model.
    double tableMB = 0;
};

Figures measure(const std::shared_ptr<PhotoPlatform> &platform) {
    VideoListViewModel viewModel(platform, nullptr, std::make_shared<SteadyClock>());
    scanThrough(viewModel);
    const double withoutTableMB = residentMegabytes();
    VideoTableView view(&viewModel);
    view.resize(916, 700);
    view.show();
    QCoreApplication::processEvents();
    keep(view.grab());
    const double withTableMB = residentMegabytes();

    // From the published list (the view model's filter and sort already done) to the frame.
    std::chrono::steady_clock::time_point published;
    QObject::connect(&viewModel, &VideoListViewModel::visibleItemsChanged, &view,
                     [&published] { published = std::chrono::steady_clock::now(); });
    const VideoSortOrder orders[] = {VideoSortOrder::nameAsc, VideoSortOrder::sizeDesc};
    int next = 0;
    std::vector<double> frames;
    for (int run = 0; run <= frameRuns; ++run) {
        viewModel.setSortOrder(orders[next++ % 2]);
        QCoreApplication::processEvents();
        keep(view.grab());
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - published;
        if (run > 0)
            frames.push_back(elapsed.count());
    }
    std::nth_element(frames.begin(), frames.begin() + frames.size() / 2, frames.end());

    const QString keystrokes[] = {QStringLiteral("img_1"), QStringLiteral("img_12")};
    const double keystrokeMs = medianMs(keystrokeRuns, [&] {
        viewModel.setSearchText(keystrokes[next++ % 2]);
        QCoreApplication::processEvents();
        keep(view.grab());
    });
    viewModel.setSearchText(QString());
    QCoreApplication::processEvents();
    keep(view.grab());
    return {frames[frames.size() / 2], keystrokeMs, residentMegabytes(),
            withTableMB - withoutTableMB};
}

// Measures one library in this process and prints its figures on one line.
int measureOne(const QString &library) {
    Figures figures;
    if (library == u"empty") {
        figures = measure(std::make_shared<MemoryPlatform>());
    } else if (library == u"memory") {
        figures = measure(memoryLibraryOf(syntheticLibrary(libraryCount)));
    } else {
        QTemporaryDir work;
        const QString tree = work.filePath(QStringLiteral("tree"));
        makeTree(tree, libraryCount);
        const QString index = work.filePath(QStringLiteral("index.sqlite3"));
        const LibraryRoots roots = indexTree(tree, index);
        figures = measure(std::make_shared<FolderPlatform>(FolderPlatformOptions{
            .roots = roots, .indexPath = index, .probeHelperPath = probeHelper()}));
    }
    std::printf("%f %f %f %f\n", figures.newRowSetMs, figures.keystrokeMs, figures.residentMB,
                figures.tableMB);
    return 0;
}

Figures measureInChild(const QString &library) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--library"), library});
    child.waitForFinished(-1);
    const QList<QByteArray> values = child.readAllStandardOutput().simplified().split(' ');
    if (values.size() != 4)
        return {};
    return {values[0].toDouble(), values[1].toDouble(), values[2].toDouble(), values[3].toDouble()};
}

void report(const char *large, const Figures &big, const Figures &empty) {
    const auto line = [&](const char *what, double value, double baseline, const char *unit) {
        const QByteArray name = QByteArray(what) + ' ' + large;
        const QByteArray base = QByteArray(what) + " empty";
        figure(name.constData(), value, unit);
        ratio(name.constData(), base.constData(), value, baseline);
    };
    line("table new row set to painted frame", big.newRowSetMs, empty.newRowSetMs, "ms");
    line("keystroke to repainted table", big.keystrokeMs, empty.keystrokeMs, "ms");
    line("resident memory with table", big.residentMB, empty.residentMB, "MB");
    line("resident memory added by the table", big.tableMB, empty.tableMB, "MB");
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--library") == 0)
        return measureOne(QString::fromLocal8Bit(argv[2]));
    const Figures empty = measureInChild(QStringLiteral("empty"));
    figure("table new row set to painted frame empty", empty.newRowSetMs, "ms");
    figure("keystroke to repainted table empty", empty.keystrokeMs, "ms");
    figure("resident memory with table empty", empty.residentMB, "MB");
    figure("resident memory added by the table empty", empty.tableMB, "MB");
    report("folder library 100k", measureInChild(QStringLiteral("folder")), empty);
    report("in-memory library 100k", measureInChild(QStringLiteral("memory")), empty);
    return 0;
}
