// SPDX-License-Identifier: GPL-3.0-or-later
#include "itembuilder.h"

#include "model/catalogcalendar.h"

#include <QDateTime>

namespace orsenta::test {

VideoItem makeItem(const ItemSpec &wanted) {
    std::optional<QStringView> name;
    if (wanted.name)
        name = QStringView(*wanted.name);
    return VideoItem(wanted.id, name, wanted.date, wanted.duration, wanted.width, wanted.height,
                     wanted.favorite, wanted.screenRecording, wanted.size, wanted.file);
}

VideoItem checked(const QString &id, std::int64_t bytes, const QByteArray &content) {
    return sized(id, bytes).withContentChecked(content);
}

VideoItem sized(const QString &id, std::optional<std::int64_t> bytes) {
    return makeItem({.id = id,
                     .size = bytes ? SizeState::known(*bytes, SizeSource::photosMetadata)
                                   : SizeState::unavailable()});
}

Instant localTime(int year, int month, int day, int hour, int minute, int second) {
    const QDateTime t(QDate(year, month, day), QTime(hour, minute, second), capturedTimeZone());
    return Instant(std::chrono::milliseconds(t.toMSecsSinceEpoch()));
}

QStringList identifiersOf(const std::vector<VideoItem> &items) {
    QStringList ids;
    for (const VideoItem &item : items)
        ids << item.localIdentifier();
    return ids;
}

} // namespace orsenta::test
