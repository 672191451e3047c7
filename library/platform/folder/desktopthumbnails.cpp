// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopthumbnails.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>

#include <cstdio>
#include <glib.h>
#include <sys/stat.h>

namespace orsenta::platform {

namespace {

const char *folderFor(int side) {
    switch (side) {
    case 128:
        return "normal";
    case 256:
        return "large";
    case 512:
        return "x-large";
    default:
        return "xx-large";
    }
}

QByteArray inflated(const QByteArray &deflated) {
    // qUncompress wants the size first; it grows its buffer when the guess is short.
    char guess[4];
    qToBigEndian<quint32>(4096, guess);
    return qUncompress(QByteArray(guess, 4) + deflated);
}

// The PNG's text chunks before its pixels, where thumbnailers put their tags (Qt compresses
// long ones). Qt's reader cannot be asked: it ends the key at the first ':' of "Thumb::URI".
QHash<QByteArray, QByteArray> pngTexts(const QByteArray &png) {
    QHash<QByteArray, QByteArray> texts;
    if (!png.startsWith("\x89PNG\r\n\x1a\n"))
        return texts;
    qsizetype pos = 8;
    while (pos + 12 <= png.size()) {
        const auto length = qFromBigEndian<quint32>(png.constData() + pos);
        const QByteArray type = png.mid(pos + 4, 4);
        if (length > quint32(png.size() - pos - 12) || type == "IDAT")
            break;
        const QByteArray chunk = png.mid(pos + 8, length);
        const qsizetype nul = chunk.indexOf('\0');
        if (nul > 0 && type == "tEXt") {
            texts.insert(chunk.left(nul), chunk.mid(nul + 1));
        } else if (nul > 0 && type == "zTXt" && chunk.size() > nul + 1) {
            texts.insert(chunk.left(nul), inflated(chunk.mid(nul + 2)));
        } else if (nul > 0 && type == "iTXt" && chunk.size() > nul + 2) {
            // Compression flag and method, then a language tag and a translated key.
            const bool compressed = chunk.at(nul + 1) != 0;
            const qsizetype language = chunk.indexOf('\0', nul + 3);
            const qsizetype translated = language < 0 ? -1 : chunk.indexOf('\0', language + 1);
            if (translated > 0) {
                const QByteArray text = chunk.mid(translated + 1);
                texts.insert(chunk.left(nul), compressed ? inflated(text) : text);
            }
        }
        pos += 12 + qsizetype(length);
    }
    return texts;
}

} // namespace

DesktopThumbnails::DesktopThumbnails(QString root)
    : m_root(std::move(root)) {
    if (!m_root.isEmpty())
        return;
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    m_root = (cache.startsWith(u'/') ? cache : QDir::homePath() + QStringLiteral("/.cache"))
             + QStringLiteral("/thumbnails");
}

QByteArray DesktopThumbnails::uriOf(const QByteArray &path) {
    gchar *uri = g_filename_to_uri(path.constData(), nullptr, nullptr);
    QByteArray result(uri ? uri : "");
    g_free(uri);
    return result;
}

QString DesktopThumbnails::thumbnailPath(const QByteArray &path, int side) const {
    const QByteArray md5 = QCryptographicHash::hash(uriOf(path), QCryptographicHash::Md5).toHex();
    return m_root + u'/' + QLatin1String(folderFor(side)) + u'/' + QLatin1String(md5)
           + QStringLiteral(".png");
}

QImage DesktopThumbnails::find(const QByteArray &path, std::int64_t modifiedSeconds,
                               int side) const {
    const QByteArray uri = uriOf(path);
    if (uri.isEmpty())
        return {};
    QFile file(thumbnailPath(path, side));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray png = file.readAll();
    // The tags come before the pixels: a stale thumbnail is never decoded.
    const QHash<QByteArray, QByteArray> texts = pngTexts(png);
    if (texts.value("Thumb::MTime") != QByteArray::number(modifiedSeconds)
        || texts.value("Thumb::URI") != uri)
        return {};
    return QImage::fromData(png, "png");
}

bool DesktopThumbnails::store(const QByteArray &path, std::int64_t modifiedSeconds,
                              std::int64_t size, const QImage &image, int side) const {
    const QByteArray uri = uriOf(path);
    if (uri.isEmpty() || image.isNull())
        return false;
    const QString target = thumbnailPath(path, side);
    const QString folder = target.left(target.lastIndexOf(u'/'));
    // The standard asks for folders and files only the user can read.
    if (!QDir().mkpath(folder))
        return false;
    ::chmod(QFile::encodeName(m_root).constData(), 0700);
    ::chmod(QFile::encodeName(folder).constData(), 0700);

    QImage tagged = image;
    tagged.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(uri));
    tagged.setText(QStringLiteral("Thumb::MTime"), QString::number(modifiedSeconds));
    tagged.setText(QStringLiteral("Thumb::Size"), QString::number(size));
    tagged.setText(QStringLiteral("Software"), QStringLiteral("Orsenta"));
    const QString temporary =
        target + u'.' + QString::number(QRandomGenerator::global()->generate64(), 36);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QImageWriter writer(&file, "png");
    // Fast compression: a thumbnail is small either way, and it is made while someone waits.
    writer.setQuality(80);
    const bool written = writer.write(tagged) && file.flush();
    file.close();
    if (!written
        || std::rename(QFile::encodeName(temporary).constData(),
                       QFile::encodeName(target).constData())
               != 0) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

} // namespace orsenta::platform
