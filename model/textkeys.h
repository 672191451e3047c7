// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Byte keys that turn the catalog's text rules into plain byte comparisons.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <cstdint>

namespace orsenta {

// Key for ordering by name: compared byte by byte it orders case-insensitively, maximal runs
// of decimal digits by numeric value, canonically equivalent forms as equal, and everything
// else by code point. No locale tailoring.
QByteArray nameSortKey(QStringView name);

// Text folded for case-insensitive containment under the user's current locale: lower-cased
// by the locale's rules and canonically composed, as UTF-8. Diacritics and widths are kept.
// A kept key holds its locale's rules: it is folded again when the locale changes.
QByteArray searchFold(QStringView text);

// The first eight bytes of a key as a big-endian number, zero-padded: one integer comparison
// settles most comparisons of two keys.
std::uint64_t bigEndianPrefix(QByteArrayView key);

// Canonical composition as UTF-8, whose byte order is Unicode scalar value order.
QByteArray scalarOrderKey(QStringView text);

} // namespace orsenta
