// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogcalendar.h"

#include <QCalendar>
#include <QDateTime>

namespace orsenta {

namespace {

struct CapturedCalendar {
    QCalendar calendar;
    QTimeZone zone;
};

const CapturedCalendar &captured() {
    // A function-local static: initialised once, safely, even when several threads build
    // their first records at the same moment.
    static const CapturedCalendar calendar{QCalendar(), QTimeZone::systemTimeZone()};
    return calendar;
}

} // namespace

const QTimeZone &capturedTimeZone() {
    return captured().zone;
}

YearMonth yearMonthOf(Instant instant) {
    if (isDistantPast(instant))
        return {};
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(instant.time_since_epoch());
    const CapturedCalendar &c = captured();
    const QDate date = QDateTime::fromMSecsSinceEpoch(ms.count(), c.zone).date();
    const QCalendar::YearMonthDay parts = c.calendar.partsFromDate(date);
    if (!parts.isValid())
        return {};
    return {parts.year, parts.month};
}

std::optional<Instant> startOfMonth(std::int64_t year, std::int64_t month) {
    if (year < std::numeric_limits<int>::min() || year > std::numeric_limits<int>::max()
        || month < 1 || month > 12)
        return std::nullopt;
    const CapturedCalendar &c = captured();
    const QDate date = c.calendar.dateFromParts(int(year), int(month), 1);
    if (!date.isValid())
        return std::nullopt;
    const QDateTime start = date.startOfDay(c.zone);
    if (!start.isValid())
        return std::nullopt;
    return Instant(std::chrono::milliseconds(start.toMSecsSinceEpoch()));
}

} // namespace orsenta
