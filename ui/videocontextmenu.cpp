// SPDX-License-Identifier: GPL-3.0-or-later
#include "videocontextmenu.h"

#include "symbols.h"

#include <QAction>

#include <algorithm>

namespace orsenta {

VideoContextMenu::VideoContextMenu(VideoListViewModel *model, const QSet<QString> &identifiers,
                                   QWidget *parent)
    : QMenu(parent)
    , m_model(model) {
    const std::vector<VideoItem> records = model->items(identifiers);
    const bool single = records.size() == 1;
    const bool adds = std::any_of(records.begin(), records.end(),
                                  [](const VideoItem &record) { return !record.isFavorite(); });
    const bool changesLocked = model->isScanning() || model->isPerformingItemAction();
    // With no record the entries could only do nothing; they stay visible but say so.
    const bool nothing = records.empty();
    const QPointer<VideoListViewModel> target = model;

    if (single) {
        const VideoItem record = records.front();
        addAction(symbol(Symbol::playRectangle), tr("Preview"), this, [target, record] {
            if (target)
                target->setPreviewItem(record);
        });
        addAction(symbol(Symbol::photoOnRectangle), tr("Show in Files"), this, [target, record] {
            if (target)
                target->showInPhotos(record);
        });
        if (model->similar().groupFor(record.localIdentifier())) {
            addAction(tr("Compare Similar Copies"), this, [target, record] {
                if (target)
                    target->compareSimilar(record);
            });
        }
        addSeparator();
    }
    QAction *copy = addAction(symbol(Symbol::docOnDoc), single ? tr("Copy Name") : tr("Copy Names"),
                              this, [target, records] {
                                  if (target)
                                      target->copyNames(records);
                              });
    copy->setEnabled(!nothing);
    QAction *favorite = addAction(symbol(adds ? Symbol::heart : Symbol::heartSlash),
                                  adds ? tr("Add to Favorites") : tr("Remove from Favorites"), this,
                                  [target, records] {
                                      if (target)
                                          target->toggleFavorite(records);
                                  });
    favorite->setEnabled(!changesLocked && !nothing);
    QAction *download =
        addAction(symbol(Symbol::arrowDownCircle), single ? tr("Save a Copy…") : tr("Save Copies…"),
                  this, [target, records] {
                      if (target)
                          target->download(records);
                  });
    download->setEnabled(!changesLocked && !nothing);
    addSeparator();
    QAction *remove =
        addAction(symbol(Symbol::trash), tr("Move to Trash"), this, [target, records] {
            if (target)
                target->requestDelete(records);
        });
    remove->setEnabled(!changesLocked && !nothing);
    // Qt menus have no destructive role; the name lets styles and tests tell the entry apart.
    remove->setObjectName(QStringLiteral("destructive"));
}

} // namespace orsenta
