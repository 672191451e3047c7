#pragma once
// What came of a request to move videos to the trash: it is returned, never thrown.

#include <QString>
#include <QStringList>

#include <optional>

namespace orsenta {

struct DeletionOutcome {
    enum class Kind { success, failed, cancelled };

    Kind kind = Kind::failed;
    QStringList deletedIdentifiers; // success: exactly the videos the library moved
    // failed: the library's own description, when it gave one; success: why the videos that
    // were not moved stayed, when only some were.
    std::optional<QString> message;

    static DeletionOutcome success(QStringList deleted,
                                   std::optional<QString> whyOthersStayed = std::nullopt) {
        return {Kind::success, std::move(deleted), std::move(whyOthersStayed)};
    }
    static DeletionOutcome failed(std::optional<QString> message = std::nullopt) {
        return {Kind::failed, {}, std::move(message)};
    }
    static DeletionOutcome cancelled() { return {Kind::cancelled, {}, std::nullopt}; }

    friend bool operator==(const DeletionOutcome &, const DeletionOutcome &) = default;
};

} // namespace orsenta
