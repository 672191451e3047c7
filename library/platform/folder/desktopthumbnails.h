// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's shared thumbnail cache (the freedesktop.org thumbnail standard): PNG files under
// ~/.cache/thumbnails/{normal,large,x-large,xx-large}, named by the MD5 of the file's URI and
// valid while their Thumb::MTime is the file's modification time. File managers fill it too, so
// a video they have shown costs Orsenta nothing, and the other way round.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>

namespace orsenta::platform {

class DesktopThumbnails {
public:
    // The longest side of each size the standard names, smallest first.
    static constexpr std::array<int, 4> sides{128, 256, 512, 1024};

    // Under `root`; by default $XDG_CACHE_HOME/thumbnails, else ~/.cache/thumbnails.
    explicit DesktopThumbnails(QString root = {});

    const QString &root() const { return m_root; }
    // The file:// URI of a raw absolute path, escaped as GLib escapes it, as file managers do.
    static QByteArray uriOf(const QByteArray &path);
    // Where the thumbnail of `path` at `side` is or would be.
    QString thumbnailPath(const QByteArray &path, int side) const;

    // The cached thumbnail of `path` at `side`, when it was made from the file as it is now;
    // a null image otherwise.
    QImage find(const QByteArray &path, std::int64_t modifiedSeconds, int side) const;
    // Stores `image` as the thumbnail of `path` at `side`: written to a temporary name and
    // renamed, so that readers never see half a file. Only the cache's own entry for the file
    // is ever replaced.
    bool store(const QByteArray &path, std::int64_t modifiedSeconds, std::int64_t size,
               const QImage &image, int side) const;

private:
    QString m_root;
};

} // namespace orsenta::platform
