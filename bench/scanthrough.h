// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a view model's scan to its end on this thread's event loop, for benchmarks.

#include "viewmodel/videolistviewmodel.h"

#include <QEventLoop>

namespace orsenta::bench {

inline void scanThrough(VideoListViewModel &viewModel) {
    QEventLoop loop;
    const auto ended =
        QObject::connect(&viewModel, &VideoListViewModel::isScanningChanged, &loop, [&] {
            if (!viewModel.isScanning())
                loop.quit();
        });
    viewModel.startScan();
    loop.exec();
    QObject::disconnect(ended);
}

} // namespace orsenta::bench
