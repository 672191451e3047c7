// SPDX-License-Identifier: GPL-3.0-or-later
#include "libraryfolders.h"

#include <QDir>
#include <QSettings>

namespace orsenta {

LibraryFolders::LibraryFolders(const QStringList &defaults, const QStringList &sessionFolders,
                               QObject *parent)
    : QObject(parent)
    , m_sessionOnly(!sessionFolders.isEmpty()) {
    if (m_sessionOnly) {
        for (const QString &folder : sessionFolders) {
            const QString path = QDir::cleanPath(QDir(folder).absolutePath());
            if (!m_folders.contains(path))
                m_folders.append(path);
        }
        return;
    }
    const QSettings settings;
    m_folders =
        settings.contains(settingsKey) ? settings.value(settingsKey).toStringList() : defaults;
}

bool LibraryFolders::add(const QString &folder) {
    const QString path = QDir::cleanPath(folder);
    if (path.isEmpty() || m_folders.contains(path))
        return false;
    m_folders.append(path);
    store();
    return true;
}

bool LibraryFolders::remove(const QString &folder) {
    if (!m_folders.removeOne(QDir::cleanPath(folder)))
        return false;
    store();
    return true;
}

void LibraryFolders::store() {
    if (!m_sessionOnly)
        QSettings().setValue(settingsKey, m_folders);
    Q_EMIT foldersChanged();
}

void LibraryFolders::setLibrary(VideoCounter indexedVideos, ConditionReader condition) {
    m_indexedVideos = std::move(indexedVideos);
    m_condition = std::move(condition);
}

std::optional<std::int64_t> LibraryFolders::indexedVideos(const QString &folder) const {
    if (!m_indexedVideos)
        return std::nullopt;
    return m_indexedVideos(folder);
}

platform::LibraryCondition LibraryFolders::condition() const {
    return m_condition ? m_condition() : platform::LibraryCondition{};
}

} // namespace orsenta
