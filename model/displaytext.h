// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts the table, the sidebar and the preview show for a record's fields.

#include "instant.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace orsenta {

// Decimal units in the user's locale ("105 MB", "1.5 GB", "999 bytes"); zero as a word;
// "Unavailable" for none.
QString sizeText(std::optional<std::int64_t> bytes);
// "m:ss" below an hour, "h:mm:ss" from an hour on; "--:--" for NaN, infinities and negatives.
QString durationText(double seconds);
// A video's length as the table shows it: "—" when it could not be read, which the library
// records as no length at all, else as durationText.
QString videoLengthText(double seconds);
// The dates are written in the system's time zone of the moment, and the sizes and dates in
// the default locale of the moment: callers keep no text across a change of either.
// Abbreviated date without time; "Unknown date" for distantPast.
QString shortDateText(Instant date);
// Numeric date with hours, minutes and seconds; "Unknown date" for distantPast.
QString longDateText(Instant date);
// "4K", "1080p" by the short side; "—" below 1 pixel.
QString resolutionLabel(std::int64_t width, std::int64_t height);
// "1920 × 1080"; "—" when either side is below 1.
QString dimensionsText(std::int64_t width, std::int64_t height);

} // namespace orsenta
