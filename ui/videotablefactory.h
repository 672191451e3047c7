// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The video table the main window embeds, behind one function so that the window depends only
// on it being an item view over the view model.

class QAbstractItemView;
class QWidget;

namespace orsenta {

class VideoListViewModel;

QAbstractItemView *makeVideoTable(VideoListViewModel *model, QWidget *parent);

} // namespace orsenta
