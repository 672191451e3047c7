// The video table over a large library: a new row set to its first painted frame, one keystroke
// through to the repainted table, and the process's resident memory, each beside the same figure
// for an empty library in the same run.

#include "benchsupport.h"
#include "library/platform/memory/memoryplatform.h"
#include "syntheticlibrary.h"
#include "ui/videotableview.h"
#include "viewmodel/videolistviewmodel.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>

#include <unistd.h>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int libraryCount = 100'000;
constexpr int frameRuns = 9;
constexpr int keystrokeRuns = 21;

void scanThrough(VideoListViewModel &viewModel) {
    QEventLoop loop;
    const auto ended =
        QObject::connect(&viewModel, &VideoListViewModel::isScanningChanged, &loop, [&] {
            if (!viewModel.isScanning())
                loop.quit();
        });
    viewModel.startScan();
    loop.exec();
    QObject::disconnect(ended);
}

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

Figures measure(const std::shared_ptr<MemoryPlatform> &platform) {
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

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // The empty library first, so that its memory figure holds nothing of the large one.
    const Figures empty = measure(std::make_shared<MemoryPlatform>());
    const Figures large = measure(memoryLibraryOf(syntheticLibrary(libraryCount)));

    figure("table new row set to painted frame 100k", large.newRowSetMs, "ms");
    figure("table new row set to painted frame empty", empty.newRowSetMs, "ms");
    ratio("table new row set to painted frame 100k", "table new row set to painted frame empty",
          large.newRowSetMs, empty.newRowSetMs);
    figure("keystroke to repainted table 100k", large.keystrokeMs, "ms");
    figure("keystroke to repainted table empty", empty.keystrokeMs, "ms");
    ratio("keystroke to repainted table 100k", "keystroke to repainted table empty",
          large.keystrokeMs, empty.keystrokeMs);
    figure("resident memory with table 100k", large.residentMB, "MB");
    figure("resident memory with table empty", empty.residentMB, "MB");
    ratio("resident memory with table 100k", "resident memory with table empty", large.residentMB,
          empty.residentMB);
    figure("resident memory added by the table 100k", large.tableMB, "MB");
    figure("resident memory added by the table empty", empty.tableMB, "MB");
    ratio("resident memory added by the table 100k", "resident memory added by the table empty",
          large.tableMB, empty.tableMB);
    return 0;
}
