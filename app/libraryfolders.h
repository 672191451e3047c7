// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folders the library is made of: the user's list in the settings (the Videos and Pictures
// folders until they change it), or the folders named on the command line for one run.

#include "library/platform/platformtypes.h"

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace orsenta {

class LibraryFolders : public QObject {
    Q_OBJECT
public:
    static constexpr QLatin1StringView settingsKey{"libraryFolders"};

    // The stored list, or `defaults` until the user changes it. With `sessionFolders`, those
    // are the library for this run and the settings stay as they are.
    LibraryFolders(const QStringList &defaults, const QStringList &sessionFolders,
                   QObject *parent = nullptr);

    QStringList folders() const { return m_folders; }
    bool isSessionOnly() const { return m_sessionOnly; }
    // False when the folder was already in the list (or removing one that was not).
    bool add(const QString &folder);
    bool remove(const QString &folder);

    // What the library knows of its folders, for the Folders page; none until set.
    using VideoCounter = std::function<std::int64_t(const QString &folder)>;
    using ConditionReader = std::function<platform::LibraryCondition()>;
    void setLibrary(VideoCounter indexedVideos, ConditionReader condition);
    std::optional<std::int64_t> indexedVideos(const QString &folder) const;
    platform::LibraryCondition condition() const;
    // The library was scanned again: what is known of the folders may have changed.
    void noteScanned() { Q_EMIT scanned(); }

Q_SIGNALS:
    void foldersChanged();
    void scanned();

private:
    void store();

    QStringList m_folders;
    bool m_sessionOnly = false;
    VideoCounter m_indexedVideos;
    ConditionReader m_condition;
};

} // namespace orsenta
