// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop the view model asks for file panels, the clipboard and the file manager, made of
// Qt's own dialogs, the system clipboard and the file manager's D-Bus interface.

#include "viewmodel/desktoptoolkit.h"

#include <QPointer>
#include <QWidget>

namespace orsenta {

class QtDesktopToolkit final : public DesktopToolkit {
public:
    explicit QtDesktopToolkit(QWidget *window = nullptr);

    // The window the panels belong to; they open without one when it is gone.
    void setWindow(QWidget *window);

    QCoro::Task<std::optional<QString>> chooseSaveLocation(SavePanelRequest request) override;
    QCoro::Task<std::optional<QString>> chooseFolder(QString prompt) override;
    void setClipboardText(const QString &text) override;
    void revealFile(const QString &filePath) override;
    // The file manager's trash:/// view; without a file manager on the bus, the home Trash's
    // folder of files.
    void openTrash() override;

private:
    QPointer<QWidget> m_window;
};

} // namespace orsenta
