// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the library lives: the user's library folders (the Videos and Pictures folders unless
// they chose others), each counted once, and the folders inside them that are never part of it.

#include <QByteArray>
#include <QList>

namespace orsenta::platform {

struct LibraryRoots {
    QList<QByteArray> roots;    // canonical, existing, none inside another
    QList<QByteArray> excluded; // canonical folders never walked (trash, our own index)
    // Library folders that were not there when the roots were made (an unmounted drive): their
    // videos stay in the index, and they are walked again once they are back.
    QList<QByteArray> absent;
};

// The desktop's Videos and Pictures folders, as configured, whether or not they exist.
QList<QByteArray> desktopLibraryFolders();

// The roots of a library made of `folders` (a missing one is absent, not an error).
LibraryRoots libraryRootsOf(const QList<QByteArray> &folders, const QByteArray &indexFolder);

// The roots of the desktop's Videos and Pictures folders.
LibraryRoots desktopLibraryRoots(const QByteArray &indexFolder);

// Canonical forms of the folders that exist, without repeats and without folders that lie
// inside another of them.
QList<QByteArray> distinctRoots(const QList<QByteArray> &folders);

// Whether `path` is `folder` or lies below it.
bool isInside(const QByteArray &path, const QByteArray &folder);

// The folder and the last name of a raw path ("/" for a file at the top).
QByteArray parentOf(const QByteArray &path);
QByteArray nameOf(const QByteArray &path);

// The freedesktop.org Trash folders: never part of the library.
bool isTrashFolderName(const QByteArray &name);

} // namespace orsenta::platform
