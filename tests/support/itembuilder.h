// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building records in tests by naming only the fields a case is about.

#include "model/instant.h"
#include "model/sizestate.h"
#include "model/videoitem.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace orsenta::test {

struct ItemSpec {
    QString id = QStringLiteral("id");
    std::optional<QString> name;
    Instant date = distantPast;
    double duration = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool favorite = false;
    bool screenRecording = false;
    SizeState size = SizeState::unavailable();
    FileFacts file;
};

VideoItem makeItem(const ItemSpec &wanted);

using ItemList = std::vector<VideoItem>;

// A known size as the library's metadata reports it, the most common source.
inline SizeState known(std::int64_t bytes) {
    return SizeState::known(bytes, SizeSource::photosMetadata);
}

// A record that differs from others only in identifier and size.
VideoItem sized(const QString &id, std::optional<std::int64_t> bytes);
// A record of `bytes` whose content was read: `content` names its bytes (empty: no other video
// has them).
VideoItem checked(const QString &id, std::int64_t bytes, const QByteArray &content);
inline VideoItem failed(const QString &id) {
    return makeItem({.id = id, .size = SizeState::failed()});
}

// Wall-clock time in the captured (test) time zone.
Instant localTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// A UTC instant, independent of any time zone the code under test might use.
constexpr Instant utcTime(int year, int month, int day, int hour = 0, int minute = 0) {
    using namespace std::chrono;
    return Instant(sys_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute});
}

QStringList identifiersOf(const std::vector<VideoItem> &items);

// Identifiers in plain order, to compare sets and lists whatever their order.
QStringList sorted(const auto &identifiers) {
    QStringList list(identifiers.cbegin(), identifiers.cend());
    list.sort();
    return list;
}

} // namespace orsenta::test

Q_DECLARE_METATYPE(orsenta::VideoItem)
Q_DECLARE_METATYPE(orsenta::test::ItemList)
Q_DECLARE_METATYPE(orsenta::SizeState)
Q_DECLARE_METATYPE(orsenta::Instant)
