// SPDX-License-Identifier: GPL-3.0-or-later
#include "scantimings.h"

namespace orsenta {

namespace {

double milliseconds(MonotonicDuration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

QString ScanTimings::summary(MonotonicDuration uiApplyTime, MonotonicDuration scanWallClock) const {
    const double wall = milliseconds(scanWallClock);
    const double batches = milliseconds(batchTotal);
    const double probes = milliseconds(probe);
    const double ui = milliseconds(uiApplyTime);
    const auto perAsset = double(assetCount < 1 ? 1 : assetCount);
    const auto perProbe = double(probeCount < 1 ? 1 : probeCount);
    return QString::asprintf("scan timings: %ld assets, %ld slow path, %ld probed, %8.0f ms total",
                             long(assetCount), long(slowPathCount), long(probeCount), wall)
           + QLatin1Char('\n')
           + QString::asprintf("  fetch batches   %8.0f ms   %6.3f ms/asset", batches,
                               batches / perAsset)
           + QLatin1Char('\n')
           + QString::asprintf("  size probe      %8.0f ms   %6.2f ms/probe", probes,
                               probes / perProbe)
           + QLatin1Char('\n') + QString::asprintf("  ui recompute    %8.0f ms", ui)
           + QLatin1Char('\n')
           + QString::asprintf("  render + sched  %8.0f ms", wall - batches - probes - ui);
}

} // namespace orsenta
