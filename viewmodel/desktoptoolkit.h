// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the view model asks of the desktop: file panels, the clipboard and the file manager.
// The widgets implement it; every call comes from the main thread.

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <optional>

namespace orsenta {

struct SavePanelRequest {
    QString proposedFileName;
    // MIME type names; "video/*" stands for any video.
    QStringList allowedMimeTypes;
    bool canCreateFolders = true;
};

class DesktopToolkit {
public:
    virtual ~DesktopToolkit() = default;

    // A save panel for one new file: the chosen path, or none when the user cancels.
    virtual QCoro::Task<std::optional<QString>> chooseSaveLocation(SavePanelRequest request) = 0;
    // A chooser of one existing folder, never of files: the folder's path, or none when the user
    // cancels. `prompt` labels the confirming button.
    virtual QCoro::Task<std::optional<QString>> chooseFolder(QString prompt) = 0;
    // Replaces whatever the clipboard holds with plain text.
    virtual void setClipboardText(const QString &text) = 0;
    // Shows the file, selected, in the desktop's file manager.
    virtual void revealFile(const QString &filePath) = 0;
    // Opens the Trash in the desktop's file manager.
    virtual void openTrash() = 0;
};

} // namespace orsenta
