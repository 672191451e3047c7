// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Timing and reporting for the benchmarks: medians of repeated runs, printed as
// "NAME: VALUE UNIT" and "NAME vs BASELINE: RATIO x" lines.

#include <QString>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace orsenta::bench {

// Median wall-clock milliseconds of `runs` calls of `work`, after one warm-up call.
template <typename Work>
double medianMs(int runs, Work &&work) {
    work();
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

inline void figure(const char *name, double value, const char *unit) {
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// For times, below 1 means `name` is faster than `baseline`.
inline void ratio(const char *name, const char *baseline, double value, double baselineValue) {
    std::printf("%s vs %s: %.3f x\n", name, baseline,
                baselineValue > 0 ? value / baselineValue : 0.0);
    std::fflush(stdout);
}

// Keeps the optimiser from discarding a result.
template <typename T>
void keep(const T &value) {
    asm volatile("" : : "r"(&value) : "memory");
}

} // namespace orsenta::bench
