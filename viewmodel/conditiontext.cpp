#include "conditiontext.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

namespace orsenta {

namespace {

constexpr int foldersByName = 3;

QString translated(const char *text, int n = -1) {
    return QCoreApplication::translate("LibraryCondition", text, nullptr, n);
}

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
        return (folder.missing ? translated("%1 is not connected or was moved.")
                               : translated("%1 cannot be read."))
            .arg(name);
    return (folder.missing ? translated("%1 is not connected or was moved: its %n video(s) stay "
                                        "in the library until it is back.",
                                        videos)
                           : translated("%1 cannot be read: its %n video(s) stay in the library "
                                        "until it can be read again.",
                                        videos))
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
        lines << translated("%n more folder(s) could not be read.",
                            int(folders.size()) - foldersByName);
    return lines.join(QLatin1Char('\n'));
}

} // namespace orsenta
