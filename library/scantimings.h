// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a scan spent its time, and the five-line report written to the log after each scan.

#include <QString>

#include <chrono>
#include <cstdint>

namespace orsenta {

using MonotonicDuration = std::chrono::steady_clock::duration;

struct ScanTimings {
    MonotonicDuration batchTotal{}; // reading batches
    std::int64_t assetCount = 0;    // assets read
    std::int64_t slowPathCount = 0; // reads that had to list the asset's resources
    MonotonicDuration probe{};      // size probes
    std::int64_t probeCount = 0;    // identifiers probed

    QString summary(MonotonicDuration uiApplyTime, MonotonicDuration scanWallClock) const;

    friend bool operator==(const ScanTimings &, const ScanTimings &) = default;
};

} // namespace orsenta
