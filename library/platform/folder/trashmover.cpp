#include "trashmover.h"

#include <QCoreApplication>
#include <QFile>

#include <gio/gio.h>

namespace orsenta::platform {

namespace {

QString tr(const char *text, int n = -1) {
    return QCoreApplication::translate("FolderLibrary", text, nullptr, n);
}

QString reason(const TrashAttempt &attempt) {
    switch (attempt.failure) {
    case TrashFailure::notIndexed:
        return tr("it is no longer in the library");
    case TrashFailure::vanished:
        return tr("it is no longer there");
    case TrashFailure::changed:
        return tr("it changed after the scan; scan again to see it as it is now");
    case TrashFailure::noTrash:
        return tr("the drive it is on has no Trash");
    case TrashFailure::permission:
        return tr("permission was denied");
    case TrashFailure::nameTooLong:
        return tr("its name is too long for the Trash; rename it and try again");
    case TrashFailure::stillThere:
        return tr("it is still in its folder");
    case TrashFailure::none:
    case TrashFailure::other:
        break;
    }
    return attempt.detail.isEmpty() ? tr("it could not be moved") : attempt.detail;
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

QString displayName(const QByteArray &path) {
    return QFile::decodeName(path.mid(path.lastIndexOf('/') + 1));
}

} // namespace

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

    GFile *file = g_file_new_for_path(path.constData());
    GError *error = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (!trashed) {
        attempt.failure = error ? classify(error) : TrashFailure::other;
        if (error) {
            attempt.detail = QString::fromUtf8(error->message);
            g_error_free(error);
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
    attempt.moved = true;
    return attempt;
}

TrashBatch moveAllToTrash(const std::vector<TrashItem> &items) {
    TrashBatch batch;
    QStringList reasons;
    int failed = 0;
    for (const TrashItem &item : items) {
        TrashAttempt attempt;
        if (item.path.isEmpty())
            attempt.failure = TrashFailure::notIndexed;
        else
            attempt = moveToTrash(item.path, item.scanned);
        if (attempt.moved) {
            batch.moved << item.id;
            continue;
        }
        ++failed;
        // A long list of names helps nobody; the first few show what went wrong.
        if (reasons.size() < 3) {
            const QString name = item.path.isEmpty() ? item.id : displayName(item.path);
            reasons << tr("“%1”: %2.").arg(name, reason(attempt));
        }
    }
    if (failed == 0)
        return batch;
    if (failed == 1) {
        batch.error = tr("A video was not moved to the Trash. %1").arg(reasons.constFirst());
        return batch;
    }
    batch.error =
        tr("%n video(s) were not moved to the Trash.", failed) + u' ' + reasons.join(u' ');
    if (failed > reasons.size())
        batch.error += u' ' + tr("And %n more.", failed - int(reasons.size()));
    return batch;
}

} // namespace orsenta::platform
