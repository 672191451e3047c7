#pragma once
// Dates written the way the user's current locale writes them, through ICU's pattern
// generator: Qt's QLocale has no abbreviated (medium) date style and no year-only or
// month-only formats, which the table and the sidebar need.

#include "instant.h"

#include <QString>

namespace orsenta {

enum class DatePattern {
    abbreviatedDate,    // "Mar 5, 2023"
    numericDateAndTime, // "3/5/2023, 2:05:07 PM"
    yearOnly,           // "2023"
    abbreviatedMonth,   // "Mar"
};

// In the captured time zone (see catalogcalendar.h) and the current default locale.
QString formatDate(Instant instant, DatePattern pattern);

} // namespace orsenta
