// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names made from a video's display name: for the clipboard and for downloaded copies.

#include <QSet>
#include <QString>

namespace orsenta {

// The last path component of `displayName` without its extension ("IMG_0001" for
// "IMG_0001.MOV", "001" for the identifier "8F3A/L0/001"), or `displayName` itself when that
// leaves nothing.
QString copyableName(const QString &displayName);

// A name that stands for exactly one file inside a folder: the last path component of
// `displayName`, so that an identifier or a name with slashes never reaches into other folders.
QString downloadFileName(const QString &displayName);

// `folder` joined with `fileName` (one path component, as downloadFileName gives), or with
// "stem (k).ext" ("stem (k)" without an extension) for the first k from 2 on whose name is not
// in `taken` and names nothing in the folder yet.
QString uniqueDestination(const QString &fileName, const QString &folder,
                          const QSet<QString> &taken);

} // namespace orsenta
