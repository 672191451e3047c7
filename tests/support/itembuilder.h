#pragma once
// Building records in tests by naming only the fields a case is about.

#include "model/instant.h"
#include "model/sizestate.h"
#include "model/videoitem.h"

#include <QString>

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
};

VideoItem makeItem(const ItemSpec &spec);

// A record that differs from others only in identifier and size.
VideoItem sized(const QString &id, std::optional<std::int64_t> bytes);

// Wall-clock time in the captured (test) time zone.
Instant localTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

QStringList identifiersOf(const std::vector<VideoItem> &items);

} // namespace orsenta::test
