// SPDX-License-Identifier: GPL-3.0-or-later
// The view model over a large library: a whole scan beside the service's own scan of the same
// library, the share of it spent rebuilding the visible state, and one keystroke's recompute
// beside the catalog's filter and sort alone.

#include "benchsupport.h"
#include "library/photolibraryservice.h"
#include "library/platform/memory/memoryplatform.h"
#include "model/filters.h"
#include "model/sorting.h"
#include "scanthrough.h"
#include "syntheticlibrary.h"
#include "viewmodel/videolistviewmodel.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int libraryCount = 100'000;
constexpr int scanRuns = 3;
constexpr int keystrokeRuns = 15;

QString lastSummary;

void keepSummary(QtMsgType, const QMessageLogContext &context, const QString &message) {
    if (context.category && QByteArrayView(context.category) == "orsenta.scan")
        lastSummary = message;
}

// What the service does for one scan, with nothing above it.
QCoro::Task<std::int64_t> serviceScan(std::shared_ptr<PhotoLibraryService> service) {
    const std::int64_t count = co_await service->beginScan();
    std::int64_t read = 0;
    for (std::int64_t offset = 0; offset < count; offset += VideoListViewModel::scanBatchSize) {
        const std::vector<VideoItem> batch =
            co_await service->nextScanBatch(offset, VideoListViewModel::scanBatchSize);
        QStringList unknown;
        for (const VideoItem &item : batch) {
            if (!item.sizeState().isKnown())
                unknown.append(item.localIdentifier());
        }
        if (!unknown.isEmpty())
            co_await service->probeSizes(unknown, VideoListViewModel::probeConcurrency);
        read += std::int64_t(batch.size());
    }
    co_await service->finishScan();
    co_return read;
}

// A figure of the logged summary, in whole milliseconds.
double summaryMs(const QString &pattern) {
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(lastSummary);
    return match.hasMatch() ? match.captured(1).toDouble() : 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(keepSummary);
    const std::shared_ptr<MemoryPlatform> platform =
        memoryLibraryOf(syntheticLibrary(libraryCount));

    const std::shared_ptr<PhotoLibraryService> service = PhotoLibraryService::create(platform);
    const double serviceMs =
        medianMs(scanRuns, [&] { keep(QCoro::waitFor(serviceScan(service))); });
    // No item actions run here, so there is no desktop to ask.
    VideoListViewModel viewModel(platform, nullptr, std::make_shared<SteadyClock>());
    const double viewModelMs = medianMs(scanRuns, [&] { scanThrough(viewModel); });

    figure("service scan 100k", serviceMs, "ms");
    figure("view model scan 100k", viewModelMs, "ms");
    ratio("view model scan 100k", "service scan 100k", viewModelMs, serviceMs);
    std::printf("%s\n", qPrintable(lastSummary));
    const double wallMs = summaryMs(QStringLiteral("([0-9]+) ms total"));
    const double uiMs = summaryMs(QStringLiteral("ui recompute +([0-9]+) ms"));
    figure("ui recompute share of scan wall clock", wallMs > 0 ? 100.0 * uiMs / wallMs : 0, "%");

    const std::vector<VideoItem> items = viewModel.items();
    const QString keystrokes[] = {QStringLiteral("img_1"), QStringLiteral("img_12")};
    int next = 0;
    const double viewModelKeyMs = medianMs(keystrokeRuns, [&] {
        viewModel.setSearchText(keystrokes[next++ % 2]);
        keep(viewModel.visibleItems());
    });
    const double modelKeyMs = medianMs(keystrokeRuns, [&] {
        keep(sortItems(
            filterItems(items, SizeFilter::none, keystrokes[next++ % 2], DateFilter::all()),
            VideoSortOrder::sizeDesc));
    });
    figure("keystroke recompute through view model 100k", viewModelKeyMs, "ms");
    figure("keystroke recompute model only 100k", modelKeyMs, "ms");
    ratio("keystroke recompute through view model 100k", "keystroke recompute model only 100k",
          viewModelKeyMs, modelKeyMs);
    return 0;
}
