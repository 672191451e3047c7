// SPDX-License-Identifier: GPL-3.0-or-later
#include "textkeys.h"

#include <QLocale>
#include <QString>

#include <algorithm>

namespace orsenta {

namespace {

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char asciiLower(char16_t c) {
    return char(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
}

// Turkish and Azeri lower-case I as dotless ı, so ASCII text is not its own lower case there.
bool localeLowersAsciiSpecially(const QLocale &locale) {
    return locale.language() == QLocale::Turkish || locale.language() == QLocale::Azerbaijani;
}

// Appends one maximal run of decimal digit values so that runs compare by numeric value:
// a marker byte, the count of significant digits (one byte below 255, else 0xFF and four
// big-endian bytes), then the significant digits. The marker is '0', which no other character
// encodes to once every ASCII digit belongs to a run; a run therefore orders against any other
// character as the digit zero would.
void appendDigitRun(QByteArray &key, const QList<char> &digits) {
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == 0)
        ++first;
    const auto significant = std::uint32_t(digits.size() - first);
    key.append('0');
    if (significant < 0xFF) {
        key.append(char(significant));
    } else {
        key.append(char(0xFF));
        for (int shift = 24; shift >= 0; shift -= 8)
            key.append(char((significant >> shift) & 0xFF));
    }
    key.append(digits.constData() + first, significant);
}

} // namespace

QByteArray nameSortKey(QStringView name) {
    QByteArray key;
    key.reserve(name.size() + 4);
    QList<char> digits;
    const auto flushDigits = [&] {
        if (!digits.isEmpty()) {
            appendDigitRun(key, digits);
            digits.clear();
        }
    };

    if (isAscii(name)) {
        for (QChar c : name) {
            if (c.unicode() >= u'0' && c.unicode() <= u'9') {
                digits.append(char(c.unicode() - u'0'));
            } else {
                flushDigits();
                key.append(asciiLower(c.unicode()));
            }
        }
        flushDigits();
        return key;
    }

    // Canonical caseless form: decompose, fold case, then compose so that equivalent
    // spellings of one name give the same code points.
    const QString folded = name.toString()
                               .normalized(QString::NormalizationForm_D)
                               .toCaseFolded()
                               .normalized(QString::NormalizationForm_C);
    for (char32_t cp : folded.toUcs4()) {
        if (QChar::category(cp) == QChar::Number_DecimalDigit) {
            digits.append(char(QChar::digitValue(cp)));
            continue;
        }
        flushDigits();
        const char32_t one[1] = {cp};
        key.append(QString::fromUcs4(one, 1).toUtf8());
    }
    flushDigits();
    return key;
}

QByteArray searchFold(QStringView text) {
    const QLocale locale;
    if (isAscii(text) && !localeLowersAsciiSpecially(locale)) {
        QByteArray folded(text.size(), Qt::Uninitialized);
        std::transform(text.begin(), text.end(), folded.begin(),
                       [](QChar c) { return asciiLower(c.unicode()); });
        return folded;
    }
    return locale.toLower(text.toString()).normalized(QString::NormalizationForm_C).toUtf8();
}

std::uint64_t bigEndianPrefix(QByteArrayView key) {
    std::uint64_t prefix = 0;
    const auto n = std::min<qsizetype>(key.size(), 8);
    for (qsizetype i = 0; i < n; ++i)
        prefix |= std::uint64_t(std::uint8_t(key[i])) << (56 - 8 * i);
    return prefix;
}

QByteArray scalarOrderKey(QStringView text) {
    return text.toString().normalized(QString::NormalizationForm_C).toUtf8();
}

} // namespace orsenta
