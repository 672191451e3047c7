// Orsenta's entry point: the application with its one window over the user's library.

#include "i18n/translations.h"
#include "library/platform/folder/folderplatform.h"
#include "orsentaapp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

using namespace orsenta;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orsenta"));
    QApplication::setOrganizationName(QStringLiteral("orsenta"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orsenta"));
    QApplication::setApplicationVersion(QStringLiteral(ORSENTA_VERSION));
    // Matches the installed desktop entry, so that the desktop shows its icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orsenta.Orsenta"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orsenta.Orsenta")));
    installTranslations();

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    // For CI's smoke test: start, scan once, and end on our own.
    const QCommandLineOption quitAfterScan(QStringLiteral("quit-after-scan"),
                                           QStringLiteral("Quit when the first scan ends."));
    parser.addOption(quitAfterScan);
    parser.process(app);

    auto platform = std::make_shared<platform::FolderPlatform>();
    if (!platform->indexNote().isEmpty())
        qInfo().noquote() << platform->indexNote();
    OrsentaApp orsenta(platform);
    if (parser.isSet(quitAfterScan))
        orsenta.quitAfterFirstScan();
    orsenta.show();
    return QApplication::exec();
}
