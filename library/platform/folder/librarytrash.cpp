// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarytrash.h"

#include "trashmover.h"
#include "videofiletypes.h"

#include <QSet>

#include <dirent.h>
#include <fts.h>
#include <gio/gio.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orsenta::platform {

namespace {

constexpr QByteArrayView recordSuffix = ".trashinfo";

struct TrashFolder {
    QByteArray folder;
    QByteArray top; // empty for the home Trash
};

using FileKey = std::pair<dev_t, ino_t>;

// The Trash folders the library's files may be in, each once however it is reached. A Trash of a
// mount counts only when it is a folder of the user's own, as a file manager would use it.
std::vector<TrashFolder> trashFolders(const LibraryRoots &roots) {
    std::vector<TrashFolder> found;
    std::set<FileKey> seen;
    const auto add = [&](const QByteArray &folder, const QByteArray &top) {
        struct stat st {};
        const bool usable = top.isEmpty()
                                ? ::stat(folder.constData(), &st) == 0
                                : ::lstat(folder.constData(), &st) == 0 && st.st_uid == ::geteuid();
        if (usable && S_ISDIR(st.st_mode) && seen.insert({st.st_dev, st.st_ino}).second)
            found.push_back(TrashFolder{folder, top});
    };
    add(QByteArray(g_get_user_data_dir()) + "/Trash", {});
    const QByteArray uid = QByteArray::number(qulonglong(::geteuid()));
    QSet<QByteArray> tops;
    for (const QByteArray &root : roots.roots) {
        const QByteArray top = mountTop(root);
        if (top.isEmpty() || tops.contains(top))
            continue;
        tops.insert(top);
        const QByteArray base = top == "/" ? QByteArray() : top;
        add(base + "/.Trash/" + uid, top);
        add(base + "/.Trash-" + uid, top);
    }
    return found;
}

bool inLibrary(const QByteArray &path, const LibraryRoots &roots) {
    const auto inside = [&](const QList<QByteArray> &folders) {
        for (const QByteArray &folder : folders) {
            if (isInside(path, folder))
                return true;
        }
        return false;
    };
    return (inside(roots.roots) || inside(roots.absent)) && !inside(roots.excluded);
}

// Bytes allocated to one file, counting a file with several links once, as du does.
std::int64_t allocated(const struct stat &st, std::set<FileKey> &linked) {
    if (!S_ISDIR(st.st_mode) && st.st_nlink > 1 && !linked.insert({st.st_dev, st.st_ino}).second)
        return 0;
    return std::int64_t(st.st_blocks) * 512;
}

// Bytes allocated to a folder and everything in it, without following links.
std::int64_t treeBytes(const QByteArray &folder, std::set<FileKey> &linked) {
    char *paths[] = {const_cast<char *>(folder.constData()), nullptr};
    FTS *tree = ::fts_open(paths, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (!tree)
        return 0;
    std::int64_t bytes = 0;
    while (const FTSENT *entry = ::fts_read(tree)) {
        switch (entry->fts_info) {
        case FTS_DP:  // a folder seen again on the way out
        case FTS_DNR: // unreadable or unstattable: nothing known to count
        case FTS_ERR:
        case FTS_NS:
            break;
        default:
            bytes += allocated(*entry->fts_statp, linked);
        }
    }
    ::fts_close(tree);
    return bytes;
}

void measureFolder(const TrashFolder &trash, const LibraryRoots &roots, LibraryTrash &total,
                   std::set<FileKey> &linked) {
    const QByteArray info = trash.folder + "/info/";
    DIR *dir = ::opendir(info.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray recordName(entry->d_name);
        if (recordName.size() <= recordSuffix.size() || !recordName.endsWith(recordSuffix))
            continue;
        const QByteArray origin = recordedOrigin(info + recordName, trash.top);
        if (origin.isEmpty() || !inLibrary(origin, roots))
            continue;
        const QByteArray file = trash.folder + "/files/" + recordName.chopped(recordSuffix.size());
        struct stat st {};
        if (::lstat(file.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            total.bytes += treeBytes(file, linked);
        } else {
            if (videoVerdictForName(origin.mid(origin.lastIndexOf('/') + 1))
                == NameVerdict::notVideo)
                continue;
            total.bytes += allocated(st, linked);
        }
        ++total.videos;
    }
    ::closedir(dir);
}

} // namespace

LibraryTrash measureLibraryTrash(const LibraryRoots &roots) {
    LibraryTrash total;
    std::set<FileKey> linked;
    for (const TrashFolder &trash : trashFolders(roots))
        measureFolder(trash, roots, total, linked);
    return total;
}

} // namespace orsenta::platform
