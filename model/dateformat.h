// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dates written the way the user's current locale writes them, through ICU's pattern
// generator: Qt's QLocale has no abbreviated (medium) date style and no year-only or
// month-only formats, which the table and the sidebar need.

#include "instant.h"

#include <QByteArray>
#include <QString>

namespace orsenta {

enum class DatePattern {
    abbreviatedDate,    // "Mar 5, 2023"
    numericDateAndTime, // "3/5/2023, 2:05:07 PM"
    yearOnly,           // "2023"
    abbreviatedMonth,   // "Mar"
};

// In the current default locale and the time zone of IANA id `zoneId`.
QString formatDate(Instant instant, DatePattern pattern, const QByteArray &zoneId);
// In the captured time zone (see catalogcalendar.h), in which the sidebar's years and months
// were counted, so that a title names the month its videos were counted in.
QString formatDate(Instant instant, DatePattern pattern);

} // namespace orsenta
