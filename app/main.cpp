// Orsenta's entry point. Until the window exists, it scans the user's library on the command line
// and prints what it found: the number of videos, the bytes they occupy, and the space that
// same-size copies waste.

#include "i18n/translations.h"
#include "library/photolibraryservice.h"
#include "library/platform/folder/folderplatform.h"
#include "model/displaytext.h"
#include "model/duplicates.h"
#include "model/statistics.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QTextStream>

#include <unistd.h>
#include <vector>

using namespace orsenta;

namespace {

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

QCoro::Task<int> scanLibrary(std::shared_ptr<PhotoLibraryService> service) {
    try {
        const auto status = co_await service->requestAccess();
        if (status != platform::AuthorizationStatus::authorized
            && status != platform::AuthorizationStatus::limited) {
            out() << QCoreApplication::translate("Orsenta", "The video folders cannot be read.")
                  << Qt::endl;
            co_return 1;
        }
        const std::int64_t count = co_await service->beginScan();
        std::vector<VideoItem> items;
        items.reserve(std::size_t(count));
        for (std::int64_t offset = 0; offset < count; offset += 200) {
            std::vector<VideoItem> batch = co_await service->nextScanBatch(offset, 200);
            QStringList unknown;
            for (const VideoItem &item : batch) {
                if (!item.sizeState().isKnown())
                    unknown << item.localIdentifier();
            }
            const auto sizes = co_await service->probeSizes(unknown, 6);
            for (VideoItem &item : batch) {
                if (const auto it = sizes.constFind(item.localIdentifier()); it != sizes.cend())
                    item = item.withSizeState(*it);
                items.push_back(std::move(item));
            }
            if (::isatty(STDOUT_FILENO))
                out() << '\r' << offset + std::int64_t(batch.size()) << " / " << count << Qt::flush;
        }
        co_await service->finishScan();
        const LibraryStats stats = libraryStats(items, std::int64_t(items.size()));
        const DuplicateSummary duplicates = summarizeDuplicates(items);
        if (::isatty(STDOUT_FILENO))
            out() << '\r';
        out() << QCoreApplication::translate("Orsenta", "%n video(s)", nullptr,
                                             int(stats.totalCount))
              << ", " << sizeText(stats.knownBytes) << '\n'
              << QCoreApplication::translate("Orsenta", "%n duplicate group(s)", nullptr,
                                             int(duplicates.groupCount()))
              << ", " << sizeText(duplicates.reclaimableBytes) << ' '
              << QCoreApplication::translate("Orsenta", "reclaimable") << Qt::endl;
        co_return 0;
    } catch (const PhotoLibraryError &error) {
        out() << error.errorDescription() << Qt::endl;
    }
    co_return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orsenta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORSENTA_VERSION));
    installTranslations();
    out() << "Orsenta " << QCoreApplication::applicationVersion() << ": "
          << QCoreApplication::translate("Orsenta",
                                         "the window is not built yet; scanning your videos here.")
          << Qt::endl;
    auto platform = std::make_shared<platform::FolderPlatform>();
    if (!platform->indexNote().isEmpty())
        out() << platform->indexNote() << Qt::endl;
    return QCoro::waitFor(scanLibrary(PhotoLibraryService::create(platform)));
}
