// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdesktoptoolkit.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QCoroSignal>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>

namespace orsenta {

namespace {

// A file dialog that the caller awaits instead of running a nested event loop: the window stays
// responsive and the view model's tasks keep running while it is open.
QCoro::Task<std::optional<QString>> runDialog(QPointer<QFileDialog> dialog) {
    dialog->open();
    auto finished = qCoro(dialog.data(), &QDialog::finished);
    const int result = co_await finished;
    if (!dialog)
        co_return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    dialog->deleteLater();
    if (result != QDialog::Accepted || chosen.isEmpty())
        co_return std::nullopt;
    co_return std::optional<QString>(chosen.constFirst());
}

QString videoNameFilter() {
    return QCoreApplication::translate("QtDesktopToolkit", "Videos")
           + QStringLiteral(" (*.mp4 *.m4v *.mov *.MP4 *.M4V *.MOV)");
}

void openContainingFolder(const QString &filePath) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(filePath).absolutePath()));
}

} // namespace

QtDesktopToolkit::QtDesktopToolkit(QWidget *window)
    : m_window(window) {}

void QtDesktopToolkit::setWindow(QWidget *window) {
    m_window = window;
}

QCoro::Task<std::optional<QString>> QtDesktopToolkit::chooseSaveLocation(SavePanelRequest request) {
    auto *dialog = new QFileDialog(m_window.data());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Only "any video" is a type a person picks; the specific types keep the proposed extension.
    QStringList specific;
    for (const QString &type : request.allowedMimeTypes) {
        if (!type.endsWith(QLatin1String("/*")))
            specific << type;
    }
    if (request.allowedMimeTypes.contains(QStringLiteral("video/*")))
        dialog->setNameFilter(videoNameFilter());
    else if (!specific.isEmpty())
        dialog->setMimeTypeFilters(specific);
    if (!request.canCreateFolders)
        dialog->setOption(QFileDialog::ReadOnly);
    dialog->selectFile(request.proposedFileName);
    auto chosen = runDialog(dialog);
    co_return co_await chosen;
}

QCoro::Task<std::optional<QString>> QtDesktopToolkit::chooseFolder(QString prompt) {
    auto *dialog = new QFileDialog(m_window.data());
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::Accept, prompt);
    auto chosen = runDialog(dialog);
    co_return co_await chosen;
}

void QtDesktopToolkit::setClipboardText(const QString &text) {
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void QtDesktopToolkit::revealFile(const QString &filePath) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(filePath);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
    // Without a file manager on the bus the call fails quickly; the folder is opened instead.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, filePath] {
        if (watcher->isError())
            openContainingFolder(filePath);
        watcher->deleteLater();
    });
}

void QtDesktopToolkit::openTrash() {
    const auto openHomeTrash = [] {
        const QString files = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                              + QStringLiteral("/Trash/files");
        QDesktopServices::openUrl(QUrl::fromLocalFile(files));
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openHomeTrash();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    call << QStringList{QStringLiteral("trash:///")} << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, openHomeTrash] {
                         if (watcher->isError())
                             openHomeTrash();
                         watcher->deleteLater();
                     });
}

} // namespace orsenta
