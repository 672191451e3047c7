// SPDX-License-Identifier: GPL-3.0-or-later
#include "temphome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orsenta::test {

namespace {
const char *const variables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"};
}

TempHome::TempHome() {
    // Readable by everyone: some tests look at it as an unprivileged user.
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                            | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                            | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                            | QFileDevice::ExeOther);
    for (const char *name : variables) {
        m_wasSet[name] = qEnvironmentVariableIsSet(name);
        m_saved[name] = qgetenv(name);
    }
    const QByteArray home = QFile::encodeName(m_dir.path());
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    QDir(m_dir.path()).mkpath(QStringLiteral("Videos"));
    QDir(m_dir.path()).mkpath(QStringLiteral("Pictures"));
}

TempHome::~TempHome() {
    for (const char *name : variables) {
        if (m_wasSet[name])
            qputenv(name, m_saved[name]);
        else
            qunsetenv(name);
    }
}

QString TempHome::write(const QString &relativePath, const QByteArray &bytes) {
    const QString path = m_dir.path() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return {};
    file.write(bytes);
    return path;
}

} // namespace orsenta::test
