#include "itembuilder.h"

#include "model/catalogcalendar.h"

#include <QDateTime>

namespace orsenta::test {

VideoItem makeItem(const ItemSpec &spec) {
    std::optional<QStringView> name;
    if (spec.name)
        name = QStringView(*spec.name);
    return VideoItem(spec.id, name, spec.date, spec.duration, spec.width, spec.height,
                     spec.favorite, spec.screenRecording, spec.size);
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
