// SPDX-License-Identifier: GPL-3.0-or-later
#include "trashmover.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace orsenta::platform {

namespace {

// GIO writes a file's record as <name>.trashinfo, through a temporary name six characters and a
// dot longer, and says nothing when that write fails: the name must leave room for both.
constexpr qsizetype recordNameExtra = qsizetype(sizeof(".trashinfo.XXXXXX")) - 1;
// Far more records of one name than any Trash holds: past this, the name counts as taken.
constexpr int clashLimit = 100000;

// A Trash as GIO chooses it for a file: the home Trash for files on the home's drive, else the
// Trash at the top of the file's own mount, whose records name files relative to that top.
struct TrashPlace {
    QByteArray folder;
    QByteArray top; // empty for the home Trash
};

QString shown(const QByteArray &path) {
    return QFile::decodeName(path);
}

QByteArray resolved(const QByteArray &path) {
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    std::free(real);
    return result;
}

// A device number as FileStat holds it.
std::uint64_t deviceOf(const struct stat &st) {
    return (std::uint64_t(major(st.st_dev)) << 32) | minor(st.st_dev);
}

bool sameInode(const struct stat &st, const FileStat &file) {
    return deviceOf(st) == file.device && std::uint64_t(st.st_ino) == file.inode;
}

std::optional<TrashPlace> trashPlaceFor(const QByteArray &path, const FileStat &file) {
    struct stat home {};
    if (::stat(g_get_home_dir(), &home) == 0 && deviceOf(home) == file.device)
        return TrashPlace{QByteArray(g_get_user_data_dir()) + "/Trash", {}};
    const QByteArray top = mountTop(parentOf(path));
    if (top.isEmpty())
        return std::nullopt;
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(qulonglong(::geteuid()));
    // An administrator's shared .Trash (a sticky folder) holds one Trash per user.
    struct stat shared {};
    if (::lstat(QByteArray(base + "/.Trash").constData(), &shared) == 0 && S_ISDIR(shared.st_mode)
        && (shared.st_mode & S_ISVTX) != 0) {
        const QByteArray own = base + "/.Trash/" + uid;
        struct stat st {};
        const bool there = ::lstat(own.constData(), &st) == 0;
        if ((there && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
            || (!there && ::access(QByteArray(base + "/.Trash").constData(), W_OK | X_OK) == 0))
            return TrashPlace{own, top};
    }
    return TrashPlace{base + "/.Trash-" + uid, top};
}

QString trashFolderText(const QByteArray &folder, int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("FolderLibrary",
                                           "permission to use the Trash folder “%1” was denied")
            .arg(shown(folder));
    case EROFS:
        return QCoreApplication::translate("FolderLibrary",
                                           "the Trash folder “%1” is on a read-only drive")
            .arg(shown(folder));
    case ENOSPC:
    case EDQUOT:
        return QCoreApplication::translate("FolderLibrary",
                                           "the drive of the Trash folder “%1” is full")
            .arg(shown(folder));
    case ENOTDIR:
        return QCoreApplication::translate("FolderLibrary", "the Trash folder “%1” is not a folder")
            .arg(shown(folder));
    default:
        return QCoreApplication::translate("FolderLibrary",
                                           "the Trash folder “%1” cannot be used: %2")
            .arg(shown(folder), qt_error_string(error));
    }
}

// The folder nearest to `path` that is there: where the missing ones would be made.
QByteArray nearestExisting(QByteArray path) {
    struct stat st {};
    while (path != "/" && ::stat(path.constData(), &st) != 0)
        path = parentOf(path);
    return path;
}

// Why the Trash cannot take a file now, as far as can be told before trying: each of its
// folders must be a folder of the user's own that they may use, or be possible to make, on a
// writable drive with room left.
std::optional<QString> trashProblem(const TrashPlace &place) {
    for (const QByteArray &folder :
         {place.folder, QByteArray(place.folder + "/info"), QByteArray(place.folder + "/files")}) {
        struct stat st {};
        if (::stat(folder.constData(), &st) != 0) {
            if (errno != ENOENT)
                return trashFolderText(folder, errno);
            if (::access(nearestExisting(folder).constData(), W_OK | X_OK) != 0)
                return trashFolderText(folder, errno);
            break; // GIO makes it and the ones inside
        }
        if (!S_ISDIR(st.st_mode))
            return trashFolderText(folder, ENOTDIR);
        if (st.st_uid != ::geteuid())
            return QCoreApplication::translate("FolderLibrary",
                                               "the Trash folder “%1” belongs to another user")
                .arg(shown(folder));
        if (::access(folder.constData(), R_OK | W_OK | X_OK) != 0)
            return trashFolderText(folder, errno);
    }
    const QByteArray folder = nearestExisting(place.folder + "/info");
    struct statvfs fs {};
    if (::statvfs(folder.constData(), &fs) != 0)
        return std::nullopt;
    if ((fs.f_flag & ST_RDONLY) != 0)
        return trashFolderText(place.folder, EROFS);
    // Root may use the blocks kept back for it; some file systems report no inode counts.
    const auto blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
    if ((fs.f_blocks != 0 && blocks == 0) || (fs.f_files != 0 && fs.f_favail == 0))
        return trashFolderText(place.folder, ENOSPC);
    return std::nullopt;
}

// Why the file's own folder cannot let it go: taking a name out of a folder means writing it.
std::optional<QString> folderProblem(const QByteArray &folder) {
    if (::access(folder.constData(), W_OK | X_OK) == 0)
        return std::nullopt;
    switch (errno) {
    case EROFS:
        return QCoreApplication::translate("FolderLibrary",
                                           "its folder “%1” is on a read-only drive")
            .arg(shown(folder));
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("FolderLibrary",
                                           "permission to change its folder “%1” was denied")
            .arg(shown(folder));
    default:
        return std::nullopt;
    }
}

// The name GIO gives the file in that Trash: its own, or, while a record of that name exists,
// with ".2", ".3"… before its first dot.
QByteArray nameInTrash(const TrashPlace &place, const QByteArray &name) {
    QByteArray candidate = name;
    for (int n = 2; n <= clashLimit; ++n) {
        struct stat st {};
        const QByteArray record = place.folder + "/info/" + candidate + ".trashinfo";
        if (::lstat(record.constData(), &st) != 0)
            return candidate;
        const qsizetype dot = name.indexOf('.');
        const QByteArray number = '.' + QByteArray::number(n);
        candidate = dot < 0 ? QByteArray(name + number)
                            : QByteArray(name.left(dot) + number + name.mid(dot));
    }
    return candidate;
}

// The longest name the file system of the Trash's records takes.
qsizetype longestName(const TrashPlace &place) {
    struct statvfs fs {};
    if (::statvfs(nearestExisting(place.folder + "/info").constData(), &fs) == 0
        && fs.f_namemax > 0)
        return qsizetype(fs.f_namemax);
    return NAME_MAX;
}

// The entry of the Trash that is `file`: under the name expected, or, when another program
// took that name at the same moment, under whichever name it has.
std::optional<QByteArray> trashedName(const TrashPlace &place, const QByteArray &expected,
                                      const FileStat &file) {
    const QByteArray files = place.folder + "/files/";
    struct stat st {};
    if (::lstat(QByteArray(files + expected).constData(), &st) == 0 && sameInode(st, file))
        return expected;
    DIR *dir = ::opendir(files.constData());
    if (!dir)
        return std::nullopt;
    std::optional<QByteArray> found;
    while (const dirent *entry = ::readdir(dir)) {
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
            && sameInode(st, file)) {
            found = QByteArray(entry->d_name);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::optional<QByteArray> readSmallFile(const QByteArray &path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    QByteArray text(64 * 1024, Qt::Uninitialized);
    const ssize_t got = ::read(fd, text.data(), std::size_t(text.size()));
    ::close(fd);
    if (got < 0)
        return std::nullopt;
    text.truncate(got);
    return text;
}

// Whether the record says where the file came from, so that a file manager can put it back.
// A Trash of a mount names it relative to the mount's top, where links are resolved.
bool recordsOrigin(const QByteArray &record, const TrashPlace &place, const QByteArray &original,
                   const QByteArray &originalResolved) {
    const QByteArray recorded = recordedOrigin(record, place.top);
    return !recorded.isEmpty()
           && (recorded == original || (!place.top.isEmpty() && recorded == originalResolved));
}

// After GIO reported the move: the file must be in that Trash with a record of where it came
// from. If the record is missing or wrong, the file goes back where it was.
TrashAttempt checkTrashed(const TrashPlace &place, const QByteArray &expectedName,
                          const QByteArray &path, const QByteArray &canonical,
                          const QByteArray &resolvedPath, const FileStat &file) {
    TrashAttempt attempt;
    const auto name = trashedName(place, expectedName, file);
    if (!name) {
        attempt.failure = TrashFailure::stranded;
        attempt.detail = QCoreApplication::translate(
                             "FolderLibrary",
                             "it left its folder, but was not found in the Trash folder “%1” to be "
                             "checked; look for it in the Trash before emptying it")
                             .arg(shown(place.folder));
        return attempt;
    }
    const QByteArray record = place.folder + "/info/" + *name + ".trashinfo";
    const QByteArray trashed = place.folder + "/files/" + *name;
    if (recordsOrigin(record, place, canonical, resolvedPath)) {
        attempt.moved = true;
        attempt.trashedFile = trashed;
        attempt.trashInfo = record;
        return attempt;
    }
    if (!moveWithoutReplacing(trashed, path)) {
        const int error = errno;
        attempt.failure = TrashFailure::stranded;
        attempt.detail =
            QCoreApplication::translate(
                "FolderLibrary", "the Trash did not record where it came from, and it could not be "
                                 "put back (%1); it is in the Trash as “%2”")
                .arg(qt_error_string(error), shown(trashed));
        return attempt;
    }
    // The record GIO made for this move now describes nothing: no file manager may show it.
    ::unlink(record.constData());
    attempt.failure = TrashFailure::notRestorable;
    attempt.detail = trashProblem(place).value_or(QString());
    return attempt;
}

QString reason(const TrashAttempt &attempt) {
    switch (attempt.failure) {
    case TrashFailure::notIndexed:
        return QCoreApplication::translate("FolderLibrary", "it is no longer in the library");
    case TrashFailure::vanished:
        return QCoreApplication::translate("FolderLibrary", "it is no longer there");
    case TrashFailure::changed:
        return QCoreApplication::translate(
            "FolderLibrary", "it changed after the scan; scan again to see it as it is now");
    case TrashFailure::noTrash:
        return QCoreApplication::translate("FolderLibrary", "the drive it is on has no Trash");
    case TrashFailure::permission:
        return attempt.detail.isEmpty()
                   ? QCoreApplication::translate("FolderLibrary", "permission was denied")
                   : attempt.detail;
    case TrashFailure::nameTooLong:
        return QCoreApplication::translate(
            "FolderLibrary", "its name is too long for the Trash; rename it and try again");
    case TrashFailure::notRestorable:
        return attempt.detail.isEmpty()
                   ? QCoreApplication::translate("FolderLibrary",
                                                 "the Trash could not record where it came from, "
                                                 "so it was left in its folder")
                   : QCoreApplication::translate("FolderLibrary",
                                                 "the Trash could not record where it came from "
                                                 "(%1), so it was left in its folder")
                         .arg(attempt.detail);
    case TrashFailure::stillThere:
        return QCoreApplication::translate("FolderLibrary", "it is still in its folder");
    case TrashFailure::trashUnusable:
    case TrashFailure::stranded:
    case TrashFailure::none:
    case TrashFailure::other:
        break;
    }
    return attempt.detail.isEmpty()
               ? QCoreApplication::translate("FolderLibrary", "it could not be moved")
               : attempt.detail;
}

TrashFailure classify(const GError *error) {
    if (error->domain != G_IO_ERROR)
        return TrashFailure::other;
    switch (error->code) {
    case G_IO_ERROR_NOT_SUPPORTED:
        return TrashFailure::noTrash;
    case G_IO_ERROR_PERMISSION_DENIED:
    case G_IO_ERROR_READ_ONLY:
        return TrashFailure::permission;
    case G_IO_ERROR_NOT_FOUND:
        return TrashFailure::vanished;
    case G_IO_ERROR_FILENAME_TOO_LONG:
        return TrashFailure::nameTooLong;
    default:
        return TrashFailure::other;
    }
}

// A name or reason on one line of its own: control characters (a newline in a file name) show
// as the replacement character.
QString oneLine(QString text) {
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QString lineFor(const QString &name, const QString &why) {
    return oneLine(QCoreApplication::translate("FolderLibrary", "“%1”: %2.").arg(name, why));
}

} // namespace

QByteArray mountTop(const QByteArray &folder) {
    QByteArray top = resolved(folder);
    struct stat here {};
    if (top.isEmpty() || ::stat(top.constData(), &here) != 0)
        return {};
    while (top != "/") {
        const QByteArray up = parentOf(top);
        struct stat above {};
        if (::stat(up.constData(), &above) != 0 || above.st_dev != here.st_dev)
            break;
        top = up;
    }
    return top;
}

QByteArray recordedOrigin(const QByteArray &record, const QByteArray &top) {
    const auto text = readSmallFile(record);
    if (!text || !text->startsWith("[Trash Info]\n"))
        return {};
    for (const QByteArray &line : text->split('\n')) {
        if (!line.startsWith("Path="))
            continue;
        const QByteArray recorded = QByteArray::fromPercentEncoding(line.mid(5));
        if (recorded.startsWith('/'))
            return recorded;
        if (top.isEmpty() || recorded.isEmpty())
            return {};
        return (top == "/" ? QByteArray() : top) + '/' + recorded;
    }
    return {};
}

bool moveWithoutReplacing(const QByteArray &from, const QByteArray &to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // A file system without RENAME_NOREPLACE: a hard link never replaces either, and the old
    // name goes only once the file has its new one.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

QString stayedLine(const QByteArray &name, const QString &reason) {
    return lineFor(shown(name), reason);
}

bool unchangedSinceScan(const FileStat &now, const FileStat &scanned) {
    return now.device == scanned.device && now.inode == scanned.inode && now.size == scanned.size
           && now.changedNs == scanned.changedNs && now.modifiedNs == scanned.modifiedNs
           && now.bornNs == scanned.bornNs;
}

TrashAttempt moveToTrash(const QByteArray &path, const FileStat &scanned) {
    TrashAttempt attempt;
    FileStat now;
    bool regular = false;
    if (path.isEmpty() || path.contains('\0') || !statFile(path, now, &regular)) {
        attempt.failure = TrashFailure::vanished;
        return attempt;
    }
    // A link put where the video was is not the video, even if it points at it.
    if (!regular || !unchangedSinceScan(now, scanned)) {
        attempt.failure = TrashFailure::changed;
        return attempt;
    }
    if (auto problem = folderProblem(parentOf(path))) {
        attempt.failure = TrashFailure::permission;
        attempt.detail = *problem;
        return attempt;
    }
    const std::optional<TrashPlace> place = trashPlaceFor(path, now);
    if (!place) {
        attempt.failure = TrashFailure::noTrash;
        return attempt;
    }
    if (auto problem = trashProblem(*place)) {
        attempt.failure = TrashFailure::trashUnusable;
        attempt.detail = *problem;
        return attempt;
    }
    const QByteArray name = nameInTrash(*place, nameOf(path));
    if (name.size() + recordNameExtra > longestName(*place)) {
        attempt.failure = TrashFailure::nameTooLong;
        return attempt;
    }

    GFile *file = g_file_new_for_path(path.constData());
    char *canonical = g_file_get_path(file);
    const QByteArray original(canonical);
    g_free(canonical);
    const QByteArray originalResolved = resolved(parentOf(original)) + '/' + nameOf(original);
    GError *error = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (!trashed) {
        attempt.failure = error ? classify(error) : TrashFailure::other;
        if (error) {
            attempt.detail = QString::fromUtf8(error->message);
            g_error_free(error);
        }
        // The Trash may have changed since it was looked at: name what stands in the way.
        if (auto problem = trashProblem(*place)) {
            attempt.failure = TrashFailure::trashUnusable;
            attempt.detail = *problem;
        }
        return attempt;
    }
    // Success is only believed when the file has left: a trash implementation that copies, or
    // says yes without doing anything, must not make a video look gone.
    FileStat after;
    if (statFile(path, after) && after.device == now.device && after.inode == now.inode) {
        attempt.failure = TrashFailure::stillThere;
        return attempt;
    }
    return checkTrashed(*place, name, path, original, originalResolved, now);
}

TrashBatch moveAllToTrash(const std::vector<TrashItem> &items) {
    TrashBatch batch;
    QStringList lines;
    for (const TrashItem &item : items) {
        TrashAttempt attempt;
        if (item.path.isEmpty())
            attempt.failure = TrashFailure::notIndexed;
        else
            attempt = moveToTrash(item.path, item.scanned);
        if (attempt.moved) {
            batch.moved << item.id;
            FileStat stat = item.scanned;
            statFile(attempt.trashedFile, stat);
            batch.trashed.push_back(
                TrashedFile{item.id, item.path, attempt.trashedFile, attempt.trashInfo, stat});
            continue;
        }
        const QString name = item.path.isEmpty() ? item.id : shown(nameOf(item.path));
        lines << lineFor(name, reason(attempt));
    }
    batch.error = lines.join(u'\n');
    return batch;
}

} // namespace orsenta::platform
