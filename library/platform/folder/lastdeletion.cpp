// SPDX-License-Identifier: GPL-3.0-or-later
#include "lastdeletion.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>

namespace orsenta::platform {

namespace {

// CBOR keeps names as the raw bytes they are and 64-bit figures exactly.
constexpr int recordVersion = 1;

QCborArray encodeStat(const FileStat &s) {
    QCborArray a;
    for (const std::int64_t n : {std::int64_t(s.device), std::int64_t(s.inode), s.size, s.allocated,
                                 s.modifiedNs, s.changedNs, s.bornNs})
        a.append(qint64(n));
    return a;
}

std::optional<FileStat> decodeStat(const QCborValue &value) {
    const QCborArray a = value.toArray();
    if (a.size() != 7)
        return std::nullopt;
    for (const QCborValue &v : a) {
        if (!v.isInteger())
            return std::nullopt;
    }
    return FileStat{std::uint64_t(a[0].toInteger()),
                    std::uint64_t(a[1].toInteger()),
                    a[2].toInteger(),
                    a[3].toInteger(),
                    a[4].toInteger(),
                    a[5].toInteger(),
                    a[6].toInteger()};
}

QCborMap encode(const DeletedVideo &video) {
    const IndexRow &row = video.row;
    QCborMap m;
    m[QStringLiteral("id")] = row.id;
    m[QStringLiteral("path")] = row.path;
    m[QStringLiteral("stat")] = encodeStat(row.stat);
    if (row.creationMicros)
        m[QStringLiteral("creation")] = qint64(*row.creationMicros);
    m[QStringLiteral("duration")] = row.duration;
    m[QStringLiteral("width")] = qint64(row.pixelWidth);
    m[QStringLiteral("height")] = qint64(row.pixelHeight);
    m[QStringLiteral("favorite")] = row.favorite;
    m[QStringLiteral("screenRecording")] = row.screenRecording;
    m[QStringLiteral("read")] = row.read;
    m[QStringLiteral("playable")] = row.playable;
    m[QStringLiteral("helperFailures")] = row.helperFailures;
    m[QStringLiteral("original")] = video.original;
    m[QStringLiteral("trashedFile")] = video.trashedFile;
    m[QStringLiteral("trashInfo")] = video.trashInfo;
    m[QStringLiteral("trashed")] = encodeStat(video.trashed);
    return m;
}

std::optional<DeletedVideo> decode(const QCborValue &value) {
    const QCborMap m = value.toMap();
    const auto at = [&](const char *key) { return m.value(QLatin1StringView(key)); };
    const auto rowStat = decodeStat(at("stat"));
    const auto trashed = decodeStat(at("trashed"));
    if (!at("id").isString() || !at("path").isByteArray() || !at("original").isByteArray()
        || !at("trashedFile").isByteArray() || !at("trashInfo").isByteArray() || !rowStat
        || !trashed)
        return std::nullopt;
    DeletedVideo video;
    IndexRow &row = video.row;
    row.id = at("id").toString();
    row.path = at("path").toByteArray();
    row.stat = *rowStat;
    if (at("creation").isInteger())
        row.creationMicros = at("creation").toInteger();
    row.duration = at("duration").toDouble();
    row.pixelWidth = at("width").toInteger();
    row.pixelHeight = at("height").toInteger();
    row.favorite = at("favorite").toBool();
    row.screenRecording = at("screenRecording").toBool();
    row.read = at("read").toBool();
    row.playable = at("playable").toBool();
    row.helperFailures = int(at("helperFailures").toInteger());
    video.original = at("original").toByteArray();
    video.trashedFile = at("trashedFile").toByteArray();
    video.trashInfo = at("trashInfo").toByteArray();
    video.trashed = *trashed;
    return video;
}

// A record that cannot be read whole offers nothing: a part of a move is not that move.
std::vector<DeletedVideo> load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCborParserError error;
    const QCborMap top = QCborValue::fromCbor(file.readAll(), &error).toMap();
    if (error.error != QCborError::NoError
        || top.value(QStringLiteral("version")).toInteger() != recordVersion)
        return {};
    std::vector<DeletedVideo> videos;
    for (const QCborValue &entry : top.value(QStringLiteral("videos")).toArray()) {
        auto video = decode(entry);
        if (!video)
            return {};
        videos.push_back(std::move(*video));
    }
    return videos;
}

bool isThere(const QByteArray &path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

// Makes the folders missing above `path`, outermost first; mkdir never replaces anything.
void makeParents(const QByteArray &path) {
    QList<QByteArray> missing;
    for (QByteArray folder = parentOf(path); folder != "/" && !isThere(folder);
         folder = parentOf(folder))
        missing.prepend(folder);
    for (const QByteArray &folder : missing) {
        if (::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST)
            return;
    }
}

bool sameTrashedFile(const FileStat &now, const FileStat &trashed) {
    return now.device == trashed.device && now.inode == trashed.inode && now.size == trashed.size;
}

// Why the file could not come back, or nothing once it is back.
std::optional<QString> putBackOne(const DeletedVideo &video) {
    const QByteArray &original = video.original;
    FileStat now;
    if (!statFile(video.trashedFile, now)) {
        FileStat there;
        if (statFile(original, there) && sameTrashedFile(there, video.trashed))
            return QCoreApplication::translate("FolderLibrary", "it is already back in its folder");
        return QCoreApplication::translate(
            "FolderLibrary", "it is no longer in the Trash; the Trash may have been emptied");
    }
    if (!sameTrashedFile(now, video.trashed))
        return QCoreApplication::translate("FolderLibrary",
                                           "another file now has its place in the Trash");
    if (!isThere(video.trashInfo))
        return QCoreApplication::translate(
            "FolderLibrary", "the Trash no longer holds the record of where it came from");
    if (isThere(original))
        return QCoreApplication::translate("FolderLibrary", "another file now has its place");
    makeParents(original);
    if (!moveWithoutReplacing(video.trashedFile, original)) {
        const int error = errno;
        switch (error) {
        case EEXIST:
            return QCoreApplication::translate("FolderLibrary", "another file now has its place");
        case EXDEV:
            return QCoreApplication::translate(
                "FolderLibrary",
                "its folder is now on another drive than the Trash; restore it from the "
                "Trash yourself");
        default:
            return QCoreApplication::translate("FolderLibrary", "it could not be put back: %1")
                .arg(qt_error_string(error));
        }
    }
    // The record described the file's stay in the Trash: a file manager must not offer it again.
    ::unlink(video.trashInfo.constData());
    return std::nullopt;
}

} // namespace

LastDeletion::LastDeletion(const QString &indexPath)
    : m_path(recordPathFor(indexPath))
    , m_videos(load(m_path)) {}

QString LastDeletion::recordPathFor(const QString &indexPath) {
    const QFileInfo index(indexPath);
    return index.absolutePath() + u'/' + index.completeBaseName()
           + QStringLiteral(".last-deletion.cbor");
}

void LastDeletion::remember(const std::vector<TrashedFile> &trashed,
                            const std::function<std::optional<IndexRow>(const QString &)> &rowOf) {
    std::vector<DeletedVideo> videos;
    for (const TrashedFile &file : trashed) {
        if (std::optional<IndexRow> row = rowOf(file.id))
            videos.push_back(
                DeletedVideo{std::move(*row), file.original, file.file, file.info, file.stat});
    }
    std::lock_guard lock(m_lock);
    m_videos = std::move(videos);
    if (writeLocked())
        return;
    // An earlier move's record must not be taken for this one's after a restart. It is our own
    // small file, never one of the library's.
    m_videos.clear();
    QFile::remove(m_path);
}

bool LastDeletion::isEmpty() const {
    std::lock_guard lock(m_lock);
    return m_videos.empty();
}

std::vector<DeletedVideo> LastDeletion::take() {
    std::lock_guard lock(m_lock);
    if (m_videos.empty())
        return {};
    std::vector<DeletedVideo> videos = std::move(m_videos);
    m_videos.clear();
    if (!writeLocked())
        QFile::remove(m_path);
    return videos;
}

bool LastDeletion::writeLocked() const {
    QCborArray videos;
    for (const DeletedVideo &video : m_videos)
        videos.append(encode(video));
    QCborMap top;
    top[QStringLiteral("version")] = recordVersion;
    top[QStringLiteral("videos")] = videos;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    return file.open(QIODevice::WriteOnly) && file.write(QCborValue(top).toCbor()) >= 0
           && file.commit();
}

PutBack putBackFromTrash(const std::vector<DeletedVideo> &videos) {
    PutBack result;
    QStringList lines;
    QStringList order;
    QHash<QString, const IndexRow *> backRows;
    for (const DeletedVideo &video : videos) {
        const QString &id = video.row.id;
        if (!order.contains(id))
            order << id;
        if (const auto why = putBackOne(video))
            lines << stayedLine(nameOf(video.original), *why);
        else
            backRows.insert(id, &video.row);
    }
    // A video with several links is back once any of them is: its row names its first path.
    for (const QString &id : std::as_const(order)) {
        const IndexRow *back = backRows.value(id);
        if (!back) {
            result.outcome.stayed << id;
            continue;
        }
        IndexRow row = *back;
        // The move back changed the file's change time, and nothing else: the row stays current.
        FileStat now;
        if (statFile(row.path, now) && now.device == row.stat.device && now.inode == row.stat.inode)
            row.stat.changedNs = now.changedNs;
        result.rows.push_back(std::move(row));
        result.outcome.restored << id;
    }
    result.outcome.message = lines.join(u'\n');
    return result;
}

} // namespace orsenta::platform
