// SPDX-License-Identifier: GPL-3.0-or-later
// Moving 1,000 small videos to the Trash in one change of the folder library, in a temporary
// home with its own Trash, beside renaming the same files within their folder (the floor: every
// trash move is at least one rename).

#include "benchsupport.h"
#include "library/platform/folder/folderplatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::platform;

namespace {

constexpr int files = 1000;

void makeFiles(const QString &folder) {
    QDir().mkpath(folder);
    for (int i = 0; i < files; ++i) {
        QFile file(folder + QStringLiteral("/clip %1.mp4").arg(i, 4, 10, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.write(QByteArray(4096, 'v'));
    }
}

} // namespace

int main(int argc, char *argv[]) {
    QTemporaryDir home;
    // GLib reads these once, at its first use: before anything else runs.
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/.cache")));
    QCoreApplication app(argc, argv);

    const QString renames = home.path() + QStringLiteral("/renames");
    makeFiles(renames);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < files; ++i) {
        const QString name =
            renames + QStringLiteral("/clip %1.mp4").arg(i, 4, 10, QLatin1Char('0'));
        QFile::rename(name, name + QStringLiteral(".moved"));
    }
    const std::chrono::duration<double> renameTook = std::chrono::steady_clock::now() - start;

    const QString videos = home.path() + QStringLiteral("/Videos");
    makeFiles(videos);
    FolderPlatformOptions options;
    options.roots = LibraryRoots{{QFile::encodeName(videos)}, {}};
    options.indexPath = home.path() + QStringLiteral("/index.sqlite3");
    options.probeHelperPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/orsenta-probe");
    FolderPlatform platform(options);
    const auto fetch = platform.fetchVideoAssets(platform.makeFetchOptions());
    ChangeRequest request;
    for (std::int64_t i = 0; i < fetch->count(); ++i)
        request.deletions.push_back(fetch->at(i));

    std::optional<ChangeOutcome> outcome;
    const auto trashStart = std::chrono::steady_clock::now();
    platform.performChanges(request, [&](ChangeOutcome o) { outcome = std::move(o); });
    const std::chrono::duration<double> trashTook = std::chrono::steady_clock::now() - trashStart;

    const qsizetype moved = outcome && outcome->deleted ? outcome->deleted->size() : 0;
    if (moved != files || !QDir(videos).entryList(QDir::Files).isEmpty()) {
        std::fprintf(stderr, "only %lld of %d files went to the Trash\n", (long long)moved, files);
        return 1;
    }
    figure("trash 1000 small files in one change", files / trashTook.count(), "files/s");
    figure("rename 1000 small files (floor)", files / renameTook.count(), "files/s");
    ratio("trash move", "rename", trashTook.count(), renameTook.count());
    return 0;
}
