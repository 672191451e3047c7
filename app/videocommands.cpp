// SPDX-License-Identifier: GPL-3.0-or-later
#include "videocommands.h"

#include "ui/symbols.h"
#include "viewmodel/videolistviewmodel.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>

#include <algorithm>

namespace orsenta {

namespace {

// Texts filed under the "VideoCommands" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(VideoCommands)
};

} // namespace

VideoCommands::VideoCommands(QObject *parent)
    : QObject(parent)
    , m_menu(std::make_unique<QMenu>(Text::tr("Video"))) {
    // Command reads as Ctrl and Option as Alt; F5 and Delete are the keys Linux users expect
    // for reloading and for moving to the trash.
    add(Item::stopScanning, Text::tr("Stop Scanning"), {QKeySequence(Qt::CTRL | Qt::Key_Period)});
    add(Item::scan, Text::tr("Scan"),
        {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
    m_menu->addSeparator();
    add(Item::preview, Text::tr("Preview"), {QKeySequence(Qt::CTRL | Qt::Key_Y)});
    add(Item::showInPhotos, Text::tr("Show in Files"),
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)});
    add(Item::copyNames, Text::tr("Copy Name"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)});
    add(Item::favorite, Text::tr("Add to Favorites"), {QKeySequence(Qt::CTRL | Qt::Key_L)});
    add(Item::download, Text::tr("Save a Copy…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)});
    m_menu->addSeparator();
    add(Item::selectAll, Text::tr("Select All"), {QKeySequence(QKeySequence::SelectAll)});
    add(Item::deselectAll, Text::tr("Deselect All"),
        {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A)});
    add(Item::deleteVideos, Text::tr("Move to Trash"),
        {QKeySequence(Qt::CTRL | Qt::Key_Backspace), QKeySequence(Qt::Key_Delete)});

    action(Item::stopScanning)->setIcon(symbol(Symbol::stopFill));
    action(Item::scan)->setIcon(symbol(Symbol::arrowClockwise));
    action(Item::preview)->setIcon(symbol(Symbol::playRectangle));
    action(Item::showInPhotos)->setIcon(symbol(Symbol::photoOnRectangle));
    action(Item::copyNames)->setIcon(symbol(Symbol::docOnDoc));
    action(Item::download)->setIcon(symbol(Symbol::arrowDownCircle));
    action(Item::deleteVideos)->setIcon(symbol(Symbol::trash));
    refresh();
}

VideoCommands::~VideoCommands() = default;

QAction *VideoCommands::add(Item item, const QString &title,
                            std::initializer_list<QKeySequence> keys) {
    QAction *action = m_menu->addAction(title);
    action->setShortcuts(QList<QKeySequence>(keys));
    connect(action, &QAction::triggered, this, [this, item] { trigger(item); });
    m_actions[std::size_t(item)] = action;
    return action;
}

void VideoCommands::setFocusedModel(VideoListViewModel *model) {
    for (const QMetaObject::Connection &connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    m_focused = model;
    if (model) {
        using VM = VideoListViewModel;
        for (auto signal :
             {&VM::selectedIDsChanged, &VM::isScanningChanged, &VM::isPerformingItemActionChanged,
              &VM::previewItemChanged, &VM::visibleItemsChanged})
            m_connections.push_back(connect(model, signal, this, &VideoCommands::refresh));
        m_connections.push_back(connect(model, &QObject::destroyed, this, &VideoCommands::refresh,
                                        Qt::QueuedConnection));
    }
    refresh();
}

VideoListViewModel *VideoCommands::activeModel() const {
    if (!m_focused || m_focused->previewItem())
        return nullptr;
    return m_focused;
}

void VideoCommands::refresh() {
    VideoListViewModel *model = activeModel();
    m_selection = model ? model->selectedItems() : std::vector<VideoItem>{};
    const bool busy = !model || model->isScanning() || model->isPerformingItemAction();
    const bool adds = m_selection.empty()
                      || std::any_of(m_selection.cbegin(), m_selection.cend(),
                                     [](const VideoItem &item) { return !item.isFavorite(); });
    const std::size_t n = m_selection.size();
    const bool scanning = model && model->isScanning();

    action(Item::stopScanning)->setVisible(scanning);
    action(Item::stopScanning)->setEnabled(scanning);
    action(Item::scan)->setVisible(!scanning);
    action(Item::scan)->setEnabled(!busy);
    action(Item::preview)->setEnabled(n == 1);
    action(Item::showInPhotos)->setEnabled(n == 1);
    action(Item::copyNames)->setText(n < 2 ? Text::tr("Copy Name") : Text::tr("Copy Names"));
    action(Item::copyNames)->setEnabled(n != 0);
    action(Item::favorite)
        ->setText(adds ? Text::tr("Add to Favorites") : Text::tr("Remove from Favorites"));
    action(Item::favorite)->setIcon(symbol(adds ? Symbol::heart : Symbol::heartSlash));
    action(Item::favorite)->setEnabled(n != 0 && !busy);
    action(Item::download)->setText(n < 2 ? Text::tr("Save a Copy…") : Text::tr("Save Copies…"));
    action(Item::download)->setEnabled(n != 0 && !busy);
    action(Item::selectAll)->setEnabled(model && !model->visibleItems().empty());
    action(Item::deselectAll)->setEnabled(n != 0);
    action(Item::deleteVideos)->setEnabled(n != 0 && !busy);
}

void VideoCommands::trigger(Item item) {
    VideoListViewModel *model = activeModel();
    if (!model)
        return;
    // A shortcut reaches a disabled action's slot only through trigger() by hand; the rules
    // hold there too.
    if (!action(item)->isEnabled() || !action(item)->isVisible())
        return;
    const std::vector<VideoItem> selection = m_selection;
    switch (item) {
    case Item::stopScanning:
        model->cancelScan();
        break;
    case Item::scan:
        model->startScan();
        break;
    case Item::preview:
        model->setPreviewItem(selection.front());
        break;
    case Item::showInPhotos:
        model->showInPhotos(selection.front());
        break;
    case Item::copyNames:
        model->copyNames(selection);
        break;
    case Item::favorite:
        model->toggleFavorite(selection);
        break;
    case Item::download:
        model->download(selection);
        break;
    case Item::selectAll: {
        QSet<QString> shown;
        for (const VideoItem &video : model->visibleItems())
            shown.insert(video.localIdentifier());
        model->setSelectedIDs(std::move(shown));
        break;
    }
    case Item::deselectAll:
        model->setSelectedIDs({});
        break;
    case Item::deleteVideos:
        model->requestDelete(model->selectedItems());
        break;
    case Item::Count:
        break;
    }
}

} // namespace orsenta
