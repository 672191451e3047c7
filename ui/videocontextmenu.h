// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu of a right click on the table, built from the view model's state when it opens.

#include "viewmodel/videolistviewmodel.h"

#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QString>

namespace orsenta {

class VideoContextMenu : public QMenu {
    Q_OBJECT
public:
    // For the records of `identifiers`; an empty set stands for the current selection.
    VideoContextMenu(VideoListViewModel *model, const QSet<QString> &identifiers,
                     QWidget *parent = nullptr);

private:
    QPointer<VideoListViewModel> m_model;
};

} // namespace orsenta
