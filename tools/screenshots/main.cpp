// SPDX-License-Identifier: GPL-3.0-or-later
// orsenta-screenshots: renders the main window in the states worth looking at, in light and
// dark, and saves each as a PNG. tools/make-screenshots runs it over a sample library.
//
// Usage: orsenta-screenshots OUTPUT_FOLDER

#include "app/apptheme.h"
#include "app/orsentaapp.h"
#include "app/videocommands.h"
#include "i18n/translations.h"
#include "library/photolibraryservice.h"
#include "library/platform/folder/folderplatform.h"
#include "library/platform/memory/memoryplatform.h"
#include "ui/mainwindow.h"
#include "ui/numberroll.h"
#include "ui/qtdesktoptoolkit.h"
#include "ui/sidebar.h"
#include "ui/videopreviewview.h"
#include "viewmodel/videolistviewmodel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <functional>

using namespace orsenta;

namespace {

// A tool, not the application: waiting in a nested loop keeps the steps in reading order.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 120'000) {
    QEventLoop loop;
    QTimer poll;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { loop.exit(1); });
    poll.start(20);
    timeout.start(timeoutMs);
    if (done())
        return true;
    return loop.exec() == 0;
}

void settle() {
    // Two turns: queued refreshes first, then the repaints they cause.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Rolling numbers and thumbnails arriving take a moment after each change.
void letAnimationsEnd() {
    QElapsedTimer clock;
    clock.start();
    waitUntil([&] { return clock.elapsed() > 2 * NumberRoll::durationMs; });
    settle();
}

class Shooter {
public:
    Shooter(QString folder, QString theme)
        : m_folder(std::move(folder))
        , m_theme(std::move(theme)) {}

    void save(QWidget *widget, const QString &name) {
        letAnimationsEnd();
        write(widget->grab(), name);
    }
    // What the display shows, for pictures a widget cannot render itself, such as video.
    void saveFromScreen(QWidget *widget, const QString &name) {
        letAnimationsEnd();
        write(widget->screen()->grabWindow(widget->winId()), name);
    }

private:
    void write(const QPixmap &picture, const QString &name) {
        const QString path = m_folder + u'/' + m_theme + u'-' + name + QStringLiteral(".png");
        if (!picture.save(path))
            qWarning("could not write %s", qPrintable(path));
        else
            qInfo("%s", qPrintable(path));
    }

    QString m_folder;
    QString m_theme;
};

bool finished(MainWindow &window) {
    return window.model() && !window.model()->isScanning()
           && !window.model()->isPerformingItemAction() && !window.model()->copyCheck();
}

void shootLibrary(Shooter &shoot) {
    OrsentaApp app(std::make_shared<platform::FolderPlatform>());
    MainWindow &window = *app.mainWindow();
    window.show();
    if (!waitUntil([&] { return finished(window); }))
        qWarning("the scan did not end");
    VideoListViewModel &vm = *window.model();
    shoot.save(&window, u"library"_qs);

    // The year with the most months shows the most of the open-year look.
    std::int64_t year = 0;
    std::size_t months = 0;
    for (const auto &[candidate, buckets] : vm.monthBucketsByYear()) {
        if (buckets.size() > months) {
            year = candidate;
            months = buckets.size();
        }
    }
    if (months > 0)
        vm.selectYear(year);
    QSet<QString> selection;
    for (const VideoItem &item : vm.visibleItems()) {
        if (selection.size() < 3)
            selection.insert(item.localIdentifier());
    }
    vm.setSelectedIDs(selection);
    shoot.save(&window, u"months-selection"_qs);

    vm.setHasExternalChanges(true);
    shoot.save(&window, u"banner"_qs);
    vm.setHasExternalChanges(false);

    vm.setExpandedYear(std::nullopt);
    vm.setSelectedIDs({});
    vm.showDuplicates();
    vm.selectExtraCopies();
    shoot.save(&window, u"duplicates"_qs);

    vm.setSelectedIDs({});
    vm.setSearchText(u"no such video"_qs);
    shoot.save(&window, u"no-matches"_qs);
    clearAllFilters(vm);

    vm.setSelectedIDs(selection);
    vm.requestDelete(vm.selectedItems());
    settle();
    if (QMessageBox *box = window.deleteConfirmation())
        shoot.save(box, u"delete-confirmation"_qs);
    vm.setShowDeleteConfirmation(false);

    vm.setErrorMessage(u"The file “IMG_0042.MOV” could not be moved to the Trash: permission "
                       u"denied."_qs);
    settle();
    if (QMessageBox *box = window.errorAlert())
        shoot.save(box, u"error-alert"_qs);
    vm.setErrorMessage(std::nullopt);

    // As the user does it: select the largest video and choose Video > Preview.
    vm.setSelectedIDs({vm.visibleItems().front().localIdentifier()});
    settle();
    app.commands()->action(VideoCommands::Item::preview)->trigger();
    settle();
    if (VideoPreviewView *sheet = window.previewSheet()) {
        waitUntil([sheet] { return sheet->playhead() >= 0.4 || sheet->errorMessage(); });
        shoot.saveFromScreen(sheet, u"preview-playing"_qs);
        sheet->reject();
    } else {
        qWarning("the preview did not open");
    }
    window.hide();
}

// The sheet while the library prepares the video, and when it cannot play it.
void shootPreviewStates(Shooter &shoot) {
    auto platform = std::make_shared<platform::MemoryPlatform>();
    platform::MemoryAsset unplayable;
    unplayable.asset.localIdentifier = u"a"_qs;
    unplayable.media = platform::MediaAsset{u"/nowhere/a.mov"_qs, true, false, 0};
    platform->addAsset(unplayable);
    const auto service = PhotoLibraryService::create(platform);
    const VideoItem item(u"a"_qs, u"IMG_0042.MOV"_qs, distantPast, 12.0, 1920, 1080, false, false,
                         SizeState::known(48'000'000, SizeSource::photosMetadata));
    platform->setDelivery(platform::MemoryPlatform::Delivery::held);
    {
        VideoPreviewView loading(service, item);
        loading.show();
        shoot.save(&loading, u"preview-loading"_qs);
    }
    platform->setDelivery(platform::MemoryPlatform::Delivery::immediate);
    platform->releaseHeld();
    VideoPreviewView failed(service, item);
    failed.show();
    waitUntil([&] { return failed.errorMessage().has_value(); });
    shoot.save(&failed, u"preview-unavailable"_qs);
}

void shootEmptyStates(Shooter &shoot) {
    using platform::AuthorizationStatus;
    struct State {
        const char *name;
        AuthorizationStatus status;
        bool hold;
    };
    for (const State &state : {State{"no-videos", AuthorizationStatus::authorized, false},
                               State{"access-needed", AuthorizationStatus::denied, false},
                               State{"scanning", AuthorizationStatus::authorized, true}}) {
        auto platform = std::make_shared<platform::MemoryPlatform>();
        platform->setAuthorizationStatus(state.status);
        platform->setStatusAfterRequest(state.status);
        if (state.hold)
            platform->setDelivery(platform::MemoryPlatform::Delivery::held);
        MainWindow window(platform, std::make_shared<QtDesktopToolkit>(),
                          std::make_shared<SteadyClock>());
        window.show();
        if (!state.hold)
            waitUntil([&] { return finished(window); });
        shoot.save(&window, QString::fromLatin1(state.name));
        window.hide();
        platform->setDelivery(platform::MemoryPlatform::Delivery::immediate);
        platform->releaseHeld();
        settle();
    }
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orsenta-screenshots"));
    installTranslations();
    if (argc != 2) {
        qWarning("usage: orsenta-screenshots OUTPUT_FOLDER");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    ThemeController theme;
    for (AppTheme choice : {AppTheme::light, AppTheme::dark}) {
        theme.choose(choice);
        settle();
        Shooter shoot(folder, appThemeName(choice));
        shootLibrary(shoot);
        shootEmptyStates(shoot);
        shootPreviewStates(shoot);
    }
    return 0;
}
