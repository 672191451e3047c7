// SPDX-License-Identifier: GPL-3.0-or-later
#include "foldertree.h"

#include "library/platform/folder/folderplatform.h"
#include "library/platform/folder/libraryindex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace orsenta::bench {

using namespace platform;

namespace {

constexpr int filesPerFolder = 100;

} // namespace

QString probeHelper() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/orsenta-probe");
}

void makeTree(const QString &root, int files) {
    for (int i = 0; i < files; ++i) {
        const QString folder =
            root + QStringLiteral("/%1/%2").arg(i / 10'000).arg(i / filesPerFolder);
        if (i % filesPerFolder == 0)
            QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/IMG_%1.MOV").arg(i, 6, 10, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly))
            file.write("x");
    }
}

LibraryRoots indexTree(const QString &root, const QString &indexPath) {
    const LibraryRoots roots{{QFile::encodeName(QDir(root).canonicalPath())}, {}};
    {
        FolderPlatform first(
            {.roots = roots, .indexPath = indexPath, .probeHelperPath = probeHelper()});
        first.fetchVideoAssets({})->count();
    }
    auto index = LibraryIndex::open(indexPath);
    std::vector<IndexRow> rows = index->rows();
    for (IndexRow &row : rows)
        row.read = true;
    index->write(rows, {});
    return roots;
}

} // namespace orsenta::bench
