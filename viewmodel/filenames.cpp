// SPDX-License-Identifier: GPL-3.0-or-later
#include "filenames.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <utility>

namespace orsenta {

namespace {

QString lastComponent(const QString &path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Stem and extension; a leading dot starts a hidden name, not an extension, and a final dot
// has nothing after it.
std::pair<QString, QString> splitExtension(const QString &name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1)
        return {name, QString()};
    return {name.left(dot), name.mid(dot + 1)};
}

// Anything at the path counts, a dangling symbolic link included: the copy must not replace
// it. A path that cannot be examined counts as free, and writing there reports why it fails.
bool isTaken(const QString &path) {
    std::error_code error;
    const auto status =
        std::filesystem::symlink_status(QFile::encodeName(path).toStdString(), error);
    return !error && status.type() != std::filesystem::file_type::not_found;
}

} // namespace

QString copyableName(const QString &displayName) {
    const QString stem = splitExtension(lastComponent(displayName)).first;
    return stem.isEmpty() ? displayName : stem;
}

QString downloadFileName(const QString &displayName) {
    const QString name = lastComponent(displayName);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("video");
    return name;
}

QString uniqueDestination(const QString &fileName, const QString &folder,
                          const QSet<QString> &taken) {
    const auto [stem, extension] = splitExtension(fileName);
    const QDir directory(folder);
    for (qint64 k = 1;; ++k) {
        QString candidate = fileName;
        if (k > 1) {
            candidate = stem + QStringLiteral(" (") + QString::number(k) + QLatin1Char(')');
            if (!extension.isEmpty())
                candidate += QLatin1Char('.') + extension;
        }
        const QString path = directory.filePath(candidate);
        if (!taken.contains(candidate) && !isTaken(path))
            return path;
    }
}

} // namespace orsenta
