// SPDX-License-Identifier: GPL-3.0-or-later
#include "libraryroots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace orsenta::platform {

namespace {

QByteArray canonical(const QByteArray &path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.constData(), resolved))
        return {};
    return QByteArray(resolved);
}

} // namespace

QByteArray parentOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

bool isInside(const QByteArray &path, const QByteArray &folder) {
    return path == folder
           || (path.startsWith(folder) && (folder.endsWith('/') || path.at(folder.size()) == '/'));
}

QList<QByteArray> distinctRoots(const QList<QByteArray> &folders) {
    QList<QByteArray> existing;
    for (const QByteArray &folder : folders) {
        const QByteArray path = canonical(folder);
        if (!path.isEmpty() && QFileInfo(QFile::decodeName(path)).isDir())
            existing.append(path);
    }
    // Shorter paths first, so an enclosing folder is kept before the folders inside it.
    std::sort(existing.begin(), existing.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.size() < b.size(); });
    QList<QByteArray> roots;
    for (const QByteArray &path : existing) {
        const bool covered = std::any_of(roots.cbegin(), roots.cend(), [&](const QByteArray &root) {
            return isInside(path, root);
        });
        if (!covered)
            roots.append(path);
    }
    return roots;
}

QList<QByteArray> desktopLibraryFolders() {
    QList<QByteArray> folders;
    for (auto location : {QStandardPaths::MoviesLocation, QStandardPaths::PicturesLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        // An unset folder falls back to the home folder itself, which is not a media library.
        if (!folder.isEmpty() && QDir(folder) != QDir::home())
            folders.append(QFile::encodeName(folder));
    }
    return folders;
}

LibraryRoots libraryRootsOf(const QList<QByteArray> &folders, const QByteArray &indexFolder) {
    LibraryRoots result;
    result.roots = distinctRoots(folders);
    for (const QByteArray &folder : folders) {
        const QByteArray path = QFile::encodeName(QDir::cleanPath(QFile::decodeName(folder)));
        if (canonical(folder).isEmpty() && !result.absent.contains(path))
            result.absent.append(path);
    }
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const QByteArray &folder :
         {QFile::encodeName(dataHome + QStringLiteral("/Trash")), indexFolder}) {
        const QByteArray path = canonical(folder);
        if (!path.isEmpty())
            result.excluded.append(path);
    }
    return result;
}

LibraryRoots desktopLibraryRoots(const QByteArray &indexFolder) {
    return libraryRootsOf(desktopLibraryFolders(), indexFolder);
}

bool isTrashFolderName(const QByteArray &name) {
    return name == ".Trash" || name.startsWith(".Trash-") || name == ".Trashes";
}

} // namespace orsenta::platform
