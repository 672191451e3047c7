// SPDX-License-Identifier: GPL-3.0-or-later
#include "dateformat.h"

#include "catalogcalendar.h"

#include <QDateTime>
#include <QLocale>

#include <map>
#include <memory>
#include <tuple>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <utility>

namespace orsenta {

namespace {

const char16_t *skeletonOf(DatePattern pattern) {
    switch (pattern) {
    case DatePattern::abbreviatedDate:
        return u"yMMMd";
    case DatePattern::numericDateAndTime:
        return u"yMdjms";
    case DatePattern::yearOnly:
        return u"y";
    case DatePattern::abbreviatedMonth:
        return u"MMM";
    }
    return u"yMd";
}

struct FormatCloser {
    void operator()(UDateFormat *format) const { udat_close(format); }
};
using FormatHandle = std::unique_ptr<UDateFormat, FormatCloser>;

FormatHandle openFormat(const QByteArray &localeName, const QByteArray &zoneId,
                        DatePattern pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator *generator = udatpg_open(localeName.constData(), &status);
    if (U_FAILURE(status))
        return nullptr;
    UChar best[128];
    const int32_t length =
        udatpg_getBestPattern(generator, skeletonOf(pattern), -1, best, 128, &status);
    udatpg_close(generator);
    if (U_FAILURE(status))
        return nullptr;
    const QString zone = QString::fromUtf8(zoneId);
    UDateFormat *format =
        udat_open(UDAT_PATTERN, UDAT_PATTERN, localeName.constData(),
                  zone.isEmpty() ? nullptr : reinterpret_cast<const UChar *>(zone.utf16()),
                  zone.isEmpty() ? 0 : int32_t(zone.size()), best, length, &status);
    if (U_FAILURE(status)) {
        udat_close(format);
        return nullptr;
    }
    return FormatHandle(format);
}

// Formatters are costly to open and not safe to share, so each thread keeps its own, keyed
// by locale and time zone, which also makes a change of either take effect.
UDateFormat *formatterFor(const QByteArray &zoneId, DatePattern pattern) {
    using Key = std::tuple<QByteArray, QByteArray, DatePattern>;
    thread_local std::map<Key, FormatHandle> formatters;
    Key key{QLocale().name().toUtf8(), zoneId, pattern};
    auto it = formatters.find(key);
    if (it == formatters.end())
        it = formatters.emplace(key, openFormat(std::get<0>(key), zoneId, pattern)).first;
    return it->second.get();
}

} // namespace

QString formatDate(Instant instant, DatePattern pattern) {
    return formatDate(instant, pattern, capturedTimeZone().id());
}

QString formatDate(Instant instant, DatePattern pattern, const QByteArray &zoneId) {
    UDateFormat *format = formatterFor(zoneId, pattern);
    const auto ms = std::chrono::duration_cast<std::chrono::duration<double, std::milli>>(
        instant.time_since_epoch());
    if (!format)
        return QLocale().toString(QDateTime::fromMSecsSinceEpoch(qint64(ms.count())));
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_format(format, ms.count(), buffer, 256, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

} // namespace orsenta
