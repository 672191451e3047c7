// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one calendar and time zone the process captures at first use: every record's year and
// month, and the sidebar's titles, come from it, so a later change of the system's settings
// cannot split one library between two calendars.

#include "instant.h"

#include <QTimeZone>

#include <cstdint>
#include <optional>

namespace orsenta {

struct YearMonth {
    std::int64_t year = 0;
    std::int64_t month = 0;
};

// {0, 0} for distantPast.
YearMonth yearMonthOf(Instant instant);

// Midnight at the start of day 1 of the month in the captured calendar, or none when the
// calendar has no such date.
std::optional<Instant> startOfMonth(std::int64_t year, std::int64_t month);

const QTimeZone &capturedTimeZone();

} // namespace orsenta
