// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Video" menu: scan, preview, reveal, copy names, favourite, save a copy, select, deselect
// and move to the Trash for the focused window's view model, with titles and enabled states that
// follow its state.

#include "model/videoitem.h"
#include "viewmodel/videolistviewmodel.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace orsenta {

class VideoCommands : public QObject {
    Q_OBJECT
public:
    enum class Item : std::uint8_t {
        stopScanning,
        scan,
        preview,
        showInPhotos,
        copyNames,
        favorite,
        download,
        selectAll,
        deselectAll,
        deleteVideos,
        Count
    };

    explicit VideoCommands(QObject *parent = nullptr);
    ~VideoCommands() override;

    QMenu *menu() const { return m_menu.get(); }
    QAction *action(Item item) const { return m_actions[std::size_t(item)]; }

    // The view model of the main window that has focus, or none.
    void setFocusedModel(VideoListViewModel *model);
    VideoListViewModel *focusedModel() const { return m_focused; }
    // The model the commands act on: none while the focused one shows a preview.
    VideoListViewModel *activeModel() const;

    // Reads the active model again; called by every change the menu depends on.
    void refresh();

private:
    QAction *add(Item item, const QString &title, std::initializer_list<QKeySequence> keys);
    void trigger(Item item);

    std::unique_ptr<QMenu> m_menu;
    std::array<QAction *, std::size_t(Item::Count)> m_actions{};
    QPointer<VideoListViewModel> m_focused;
    std::vector<QMetaObject::Connection> m_connections;
    // What items 3 to 7 act on: the selection as it was when the menu was last read.
    std::vector<VideoItem> m_selection;
};

} // namespace orsenta
