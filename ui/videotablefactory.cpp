#include "videotablefactory.h"

#include "videotableview.h"

namespace orsenta {

QAbstractItemView *makeVideoTable(VideoListViewModel *model, QWidget *parent) {
    return new VideoTableView(model, parent);
}

} // namespace orsenta
