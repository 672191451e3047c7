// SPDX-License-Identifier: GPL-3.0-or-later
// Orsenta's entry point: the application with its one window over the user's library, or, with
// --report, the library printed to stdout without a window.

#include "i18n/translations.h"
#include "library/platform/folder/folderplatform.h"
#include "libraryfolders.h"
#include "libraryreport.h"
#include "orsentaapp.h"
#include "ui/mainwindow.h"
#include "viewmodel/videolistviewmodel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>

#include <string_view>

using namespace orsenta;

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("orsenta"));
    QCoreApplication::setOrganizationName(QStringLiteral("orsenta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORSENTA_VERSION));
}

// Texts filed under the "CommandLine" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

struct Arguments {
    QStringList folders;
    QString report;
    bool quitAfterScan = false;
};

Arguments parse(const QCoreApplication &app) {
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        Text::tr("Use this folder as the library for this run (repeatable); the settings "
                 "stay as they are."),
        QStringLiteral("DIR"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        Text::tr("Print every video of the library as json or csv, without a window."),
        QStringLiteral("FORMAT"));
    // For CI's smoke test: start, scan once, and end on our own.
    const QCommandLineOption quitAfterScan(QStringLiteral("quit-after-scan"),
                                           Text::tr("Quit when the first scan ends."));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({folder, report, quitAfterScan});
    parser.process(app);
    return Arguments{parser.values(folder), parser.value(report), parser.isSet(quitAfterScan)};
}

QStringList defaultFolders() {
    QStringList folders;
    for (const QByteArray &folder : platform::desktopLibraryFolders())
        folders.append(QFile::decodeName(folder));
    return folders;
}

QList<QByteArray> encoded(const QStringList &folders) {
    QList<QByteArray> paths;
    for (const QString &folder : folders)
        paths.append(QFile::encodeName(folder));
    return paths;
}

std::shared_ptr<platform::FolderPlatform> makePlatform(const LibraryFolders &folders) {
    auto platform = std::make_shared<platform::FolderPlatform>();
    platform->setFolders(encoded(folders.folders()));
    if (!platform->indexNote().isEmpty())
        qInfo().noquote() << platform->indexNote();
    return platform;
}

// A report, the help and the version need no display: a plain core application, so that they
// run over SSH or on a NAS.
int report(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    nameApplication();
    installTranslations();
    const Arguments arguments = parse(app);
    QFile out;
    QFile errors;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !errors.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return reportUsage;
    const std::optional<ReportFormat> format = reportFormatNamed(arguments.report);
    if (!format) {
        errors.write(
            QCoreApplication::translate("LibraryReport", "The report's format is json or csv.\n")
                .toLocal8Bit());
        return reportUsage;
    }
    const LibraryFolders folders(defaultFolders(), arguments.folders);
    auto service = PhotoLibraryService::create(makePlatform(folders));
    // Queued: the report may end before the event loop has started.
    writeLibraryReport(service, folders.folders(), *format, &out, &errors).then([](int code) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [code] { QCoreApplication::exit(code); },
            Qt::QueuedConnection);
    });
    return QCoreApplication::exec();
}

bool needsNoWindow(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--report" || argument.starts_with("--report=") || argument == "--help"
            || argument == "-h" || argument == "-?" || argument == "--help-all"
            || argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

// The folders changed in the settings: the next scan reads them, after any scan under way.
void rescan(VideoListViewModel *model) {
    if (!model)
        return;
    if (!model->isScanning()) {
        model->startScan();
        return;
    }
    auto *once = new QObject(model);
    QObject::connect(model, &VideoListViewModel::isScanningChanged, once, [model, once] {
        if (model->isScanning())
            return;
        delete once;
        model->startScan();
    });
    model->cancelScan();
}

} // namespace

int main(int argc, char *argv[]) {
    if (needsNoWindow(argc, argv))
        return report(argc, argv);

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Orsenta"));
    // Matches the installed desktop entry, so that the desktop shows its icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orsenta.Orsenta"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orsenta.Orsenta")));
    installTranslations();
    const Arguments arguments = parse(app);

    LibraryFolders folders(defaultFolders(), arguments.folders);
    const auto platform = makePlatform(folders);
    folders.setLibrary(
        [platform](const QString &folder) {
            return platform->indexedVideosUnder(QFile::encodeName(folder));
        },
        [platform] { return platform->libraryCondition(); });
    OrsentaApp orsenta(platform);
    orsenta.setLibraryFolders(&folders);
    QObject::connect(&folders, &LibraryFolders::foldersChanged, &orsenta, [&] {
        platform->setFolders(encoded(folders.folders()));
        rescan(orsenta.mainWindow()->model());
    });
    QObject::connect(orsenta.mainWindow(), &MainWindow::modelCreated, &folders,
                     [&folders](VideoListViewModel *model) {
                         QObject::connect(model, &VideoListViewModel::isScanningChanged, &folders,
                                          [&folders, model] {
                                              if (!model->isScanning())
                                                  folders.noteScanned();
                                          });
                     });
    if (arguments.quitAfterScan)
        orsenta.quitAfterFirstScan();
    orsenta.show();
    return QApplication::exec();
}
