// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A temporary home folder with its own XDG folders, Videos and Pictures, so that tests of the
// folder library never see the real user's files. Restores the environment when it goes.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <map>

namespace orsenta::test {

// A path as the file system takes it: the bytes Qt's name encoding gives.
inline QByteArray bytes(const QString &path) {
    return QFile::encodeName(path);
}

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString videos() const { return m_dir.path() + QStringLiteral("/Videos"); }
    QString pictures() const { return m_dir.path() + QStringLiteral("/Pictures"); }
    QString indexPath() const {
        return m_dir.path() + QStringLiteral("/.local/share/orsenta/library.sqlite3");
    }

    // Writes `bytes` to a new file below the home folder (folders made as needed).
    QString write(const QString &relativePath, const QByteArray &bytes = "not a real video");

private:
    QTemporaryDir m_dir;
    std::map<QByteArray, QByteArray> m_saved;
    std::map<QByteArray, bool> m_wasSet;
};

} // namespace orsenta::test
