// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What came of a request to move videos to the trash: it is returned, never thrown. Every
// identifier asked for is accounted for: moved, refused by the library, or no longer in it.

#include <QString>
#include <QStringList>

#include <optional>

namespace orsenta {

struct DeletionOutcome {
    enum class Kind { success, failed, cancelled };

    Kind kind = Kind::failed;
    QStringList deletedIdentifiers; // success: exactly the videos the library moved
    // The library's own words: why it failed, or why the videos it was given stayed, one line
    // for each video where it names them.
    std::optional<QString> message;
    // Given to the library, which did not move them (`message` says why).
    QStringList refusedIdentifiers;
    // Asked for, but no longer in the library as they were scanned (removed or replaced since),
    // so never given to it.
    QStringList unavailableIdentifiers;

    static DeletionOutcome success(QStringList deleted,
                                   std::optional<QString> whyOthersStayed = std::nullopt) {
        return {Kind::success, std::move(deleted), std::move(whyOthersStayed), {}, {}};
    }
    static DeletionOutcome failed(std::optional<QString> message = std::nullopt) {
        return {Kind::failed, {}, std::move(message), {}, {}};
    }
    static DeletionOutcome cancelled() { return {Kind::cancelled, {}, std::nullopt, {}, {}}; }

    // The same outcome, with the videos that stayed.
    DeletionOutcome withStayed(QStringList refused, QStringList unavailable) const {
        DeletionOutcome outcome = *this;
        outcome.refusedIdentifiers = std::move(refused);
        outcome.unavailableIdentifiers = std::move(unavailable);
        return outcome;
    }

    friend bool operator==(const DeletionOutcome &, const DeletionOutcome &) = default;
};

} // namespace orsenta
