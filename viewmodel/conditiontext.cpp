// SPDX-License-Identifier: GPL-3.0-or-later
#include "conditiontext.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

namespace orsenta {

namespace {

constexpr int foldersByName = 3;

// Texts filed under the "LibraryCondition" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(LibraryCondition)
};

// The folder as the user knows it: quoted, with the home folder as "~".
QString folderName(const QString &path) {
    const QString home = QDir::homePath();
    QString shown = QDir::toNativeSeparators(path);
    if (shown == home)
        shown = QStringLiteral("~");
    else if (shown.startsWith(home + QLatin1Char('/')))
        shown = QStringLiteral("~") + shown.mid(home.size());
    return QStringLiteral("“%1”").arg(shown);
}

QString folderLine(const platform::AbsentFolder &folder) {
    const int videos = int(std::min<std::int64_t>(folder.videos, INT_MAX));
    const QString name = folderName(folder.path);
    if (videos == 0)
        return (folder.missing ? Text::tr("%1 is not connected or was moved.")
                               : Text::tr("%1 cannot be read."))
            .arg(name);
    return (folder.missing ? Text::tr("%1 is not connected or was moved: its %Ln video(s) stay "
                                      "in the library until it is back.",
                                      nullptr, videos)
                           : Text::tr("%1 cannot be read: its %Ln video(s) stay in the library "
                                      "until it can be read again.",
                                      nullptr, videos))
        .arg(name);
}

} // namespace

QString libraryConditionText(const platform::LibraryCondition &condition) {
    QStringList lines;
    if (!condition.indexProblem.isEmpty())
        lines << condition.indexProblem;
    const auto &folders = condition.absentFolders;
    for (std::size_t i = 0; i < folders.size() && i < std::size_t(foldersByName); ++i)
        lines << folderLine(folders[i]);
    if (folders.size() > std::size_t(foldersByName))
        lines << Text::tr("%Ln more folder(s) could not be read.", nullptr,
                          int(folders.size()) - foldersByName);
    return lines.join(QLatin1Char('\n'));
}

} // namespace orsenta
