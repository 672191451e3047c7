// SPDX-License-Identifier: GPL-3.0-or-later
#include "displaytext.h"

#include "dateformat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <array>
#include <cmath>
#include <cstdlib>

namespace orsenta {

namespace {

// Texts filed under the "DisplayText" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(DisplayText)
};

// Looked up on each call (Qt reads TZ, then /etc/localtime) and never kept, so that a text
// follows the system's time zone when it changes.
QByteArray currentZoneId() {
    return QTimeZone::systemTimeZoneId();
}

// One decimal unit of the byte-count format, with the fraction digits it shows: whole kilobytes,
// tenths of megabytes, hundredths from gigabytes up (trailing zeros dropped).
struct ByteUnit {
    const char *text;
    int fractionDigits;
};

// Qt's QLocale::formattedDataSize is not used: it writes "1 bytes", keeps trailing zeros and has
// no word for zero.
QString formatUnit(double value, int fractionDigits, const char *unitText) {
    const double scale = std::pow(10.0, fractionDigits);
    auto scaled = std::llround(value * scale);
    while (fractionDigits > 0 && scaled % 10 == 0) {
        scaled /= 10;
        --fractionDigits;
    }
    const QString number =
        QLocale().toString(double(scaled) / std::pow(10.0, fractionDigits), 'f', fractionDigits);
    return QCoreApplication::translate("DisplayText", unitText).arg(number);
}

} // namespace

QString sizeText(std::optional<std::int64_t> bytes) {
    if (!bytes)
        return Text::tr("Unavailable");
    if (*bytes == 0)
        return Text::tr("Zero bytes");
    const std::int64_t count = *bytes;
    if (std::llabs(count) < 1000) {
        return QCoreApplication::translate("DisplayText", "%n byte(s)", nullptr, int(count));
    }
    static constexpr std::array<ByteUnit, 6> units{{
        {QT_TRANSLATE_NOOP("DisplayText", "%1 kB"), 0},
        {QT_TRANSLATE_NOOP("DisplayText", "%1 MB"), 1},
        {QT_TRANSLATE_NOOP("DisplayText", "%1 GB"), 2},
        {QT_TRANSLATE_NOOP("DisplayText", "%1 TB"), 2},
        {QT_TRANSLATE_NOOP("DisplayText", "%1 PB"), 2},
        {QT_TRANSLATE_NOOP("DisplayText", "%1 EB"), 2},
    }};
    double value = double(count);
    for (std::size_t i = 0; i < units.size(); ++i) {
        value /= 1000.0;
        const double scale = std::pow(10.0, units[i].fractionDigits);
        const bool last = i + 1 == units.size();
        // 999,999 bytes round to 1000 kB, which reads better as the next unit's 1 MB.
        if (last || std::fabs(std::round(value * scale) / scale) < 1000.0)
            return formatUnit(value, units[i].fractionDigits, units[i].text);
    }
    return {};
}

QString durationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("--:--");
    // Whole seconds, halves away from zero, kept in a double: fmod is exact, so this is right
    // to the second for any real length and never overflows for absurd ones.
    const double t = std::round(seconds) + 0.0; // + 0.0 turns minus zero into zero
    const auto digits = [](double v, int width) {
        return QStringLiteral("%1").arg(QString::number(v, 'f', 0), width, QLatin1Char('0'));
    };
    const double secs = std::fmod(t, 60.0);
    if (t < 3600)
        return digits(std::floor(t / 60), 1) + QLatin1Char(':') + digits(secs, 2);
    const double mins = std::floor(std::fmod(t, 3600.0) / 60);
    return digits(std::floor(t / 3600), 1) + QLatin1Char(':') + digits(mins, 2) + QLatin1Char(':')
           + digits(secs, 2);
}

QString videoLengthText(double seconds) {
    if (!(seconds > 0))
        return QStringLiteral("\u2014");
    return durationText(seconds);
}

QString shortDateText(Instant date) {
    if (isDistantPast(date))
        return Text::tr("Unknown date");
    return formatDate(date, DatePattern::abbreviatedDate, currentZoneId());
}

QString longDateText(Instant date) {
    if (isDistantPast(date))
        return Text::tr("Unknown date");
    return formatDate(date, DatePattern::numericDateAndTime, currentZoneId());
}

QString resolutionLabel(std::int64_t width, std::int64_t height) {
    const std::int64_t shortSide = std::min(width, height);
    if (shortSide < 1)
        return QStringLiteral("\u2014");
    if (shortSide >= 2160)
        return QStringLiteral("4K");
    return QString::number(shortSide) + QLatin1Char('p');
}

QString dimensionsText(std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1)
        return QStringLiteral("\u2014");
    return QString::number(width) + QStringLiteral(" \u00d7 ") + QString::number(height);
}

} // namespace orsenta
