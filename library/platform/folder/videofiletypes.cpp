// SPDX-License-Identifier: GPL-3.0-or-later
#include "videofiletypes.h"

#include <QFile>
#include <QMimeDatabase>
#include <QSet>

namespace orsenta::platform {

namespace {

struct Extensions {
    QSet<QByteArray> video;
    QSet<QByteArray> other;
};

QByteArray lowerAscii(QByteArrayView text) {
    QByteArray lower = text.toByteArray();
    for (char &c : lower)
        c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    return lower;
}

// Built once: every simple "*.ext" glob of the MIME database, split by whether its type is a
// video. Camera formats the database files elsewhere are added by hand.
const Extensions &extensions() {
    static const Extensions table = [] {
        Extensions t;
        const QMimeDatabase db;
        for (const QMimeType &type : db.allMimeTypes()) {
            const bool video = type.name().startsWith(QLatin1String("video/"))
                               || type.inherits(QStringLiteral("video/mp4"))
                               || type.inherits(QStringLiteral("video/quicktime"));
            for (const QString &glob : type.globPatterns()) {
                if (!glob.startsWith(QLatin1String("*.")) || glob.indexOf(QLatin1Char('*'), 1) >= 0
                    || glob.contains(QLatin1Char('[')))
                    continue;
                const QByteArray ext = lowerAscii(glob.mid(2).toUtf8());
                (video ? t.video : t.other).insert(ext);
            }
        }
        for (const char *ext : {"mts", "m2ts", "mov", "mp4", "m4v", "mkv", "webm", "avi", "3gp"})
            t.video.insert(QByteArray(ext));
        for (const QByteArray &ext : std::as_const(t.video))
            t.other.remove(ext);
        return t;
    }();
    return table;
}

} // namespace

NameVerdict videoVerdictForName(QByteArrayView fileName) {
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot <= 0 || dot == fileName.size() - 1)
        return NameVerdict::unknown;
    // Called for every name in the library's folders: no allocation on this path.
    const QByteArrayView extension = fileName.sliced(dot + 1);
    char lowered[16];
    if (extension.size() > qsizetype(sizeof lowered))
        return NameVerdict::unknown;
    for (qsizetype i = 0; i < extension.size(); ++i) {
        const char c = extension[i];
        lowered[i] = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    }
    const QByteArray ext = QByteArray::fromRawData(lowered, extension.size());
    const Extensions &table = extensions();
    if (table.video.contains(ext))
        return NameVerdict::video;
    return table.other.contains(ext) ? NameVerdict::notVideo : NameVerdict::unknown;
}

bool hasVideoContent(const QByteArray &path) {
    static const QMimeDatabase db;
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QMimeType type = db.mimeTypeForData(&file);
    return type.name().startsWith(QLatin1String("video/"))
           || type.inherits(QStringLiteral("video/mp4"));
}

} // namespace orsenta::platform
