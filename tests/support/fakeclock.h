// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A clock that stands still until the test moves it.

#include "viewmodel/clock.h"

namespace orsenta::test {

class FakeClock final : public Clock {
public:
    TimePoint now() const override { return m_now; }
    void advance(Duration by) { m_now += by; }

private:
    TimePoint m_now{};
};

} // namespace orsenta::test
