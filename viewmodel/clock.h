// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view model's notion of now. It paces scan refreshes and times the quiet period after the
// application's own changes; tests substitute a clock they move by hand.

#include <chrono>

namespace orsenta {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
};

// The monotonic clock: unaffected by changes of the wall-clock time.
class SteadyClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
};

} // namespace orsenta
