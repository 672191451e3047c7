// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop as a test scripts it: answers for the panels, and a record of what was asked.

#include "viewmodel/desktoptoolkit.h"

#include <functional>
#include <optional>
#include <vector>

namespace orsenta::test {

class FakeToolkit final : public DesktopToolkit {
public:
    // What the next panels answer; none stands for the user cancelling.
    std::optional<QString> saveLocation;
    std::optional<QString> folder;
    // Runs while a panel is open, before it answers.
    std::function<void()> whilePanelOpen;

    std::vector<SavePanelRequest> savePanels;
    QStringList folderPrompts;
    std::optional<QString> clipboard;
    QStringList revealed;
    int trashOpenings = 0;

    QCoro::Task<std::optional<QString>> chooseSaveLocation(SavePanelRequest request) override {
        savePanels.push_back(std::move(request));
        if (whilePanelOpen)
            whilePanelOpen();
        co_return std::optional<QString>(saveLocation); // a copy: co_return moves from lvalues
    }
    QCoro::Task<std::optional<QString>> chooseFolder(QString prompt) override {
        folderPrompts.append(std::move(prompt));
        if (whilePanelOpen)
            whilePanelOpen();
        co_return std::optional<QString>(folder);
    }
    void setClipboardText(const QString &text) override { clipboard = text; }
    void revealFile(const QString &filePath) override { revealed.append(filePath); }
    void openTrash() override { ++trashOpenings; }
};

} // namespace orsenta::test
