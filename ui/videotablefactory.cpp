// SPDX-License-Identifier: GPL-3.0-or-later
#include "videotablefactory.h"

#include "videotableview.h"

namespace orsenta {

QAbstractItemView *makeVideoTable(VideoListViewModel *model, QWidget *parent) {
    return new VideoTableView(model, parent);
}

} // namespace orsenta
