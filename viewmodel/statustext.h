// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line's messages: a key and its arguments, kept as such so that the text is made
// in the user's language when it is shown, with a noun agreeing with the count before it.

#include <QString>

#include <cstdint>
#include <vector>

namespace orsenta {

class StatusText {
public:
    enum class Key : std::uint8_t {
        readyToScan,
        requestingAccess,
        accessRequired,
        countingVideos,
        noVideos,
        loaded,
        scanCompleted,
        scanCancelledAt,
        scanCancelled,
        scanFailed,
        deleting,
        deleted,
        deletedKeepingSome,
        deletionFailed,
        deletionCancelled,
        addingFavorites,
        removingFavorites,
        addedFavorites,
        removedFavorites,
        favoriteFailed,
        downloading,
        downloadingOne,
        downloaded,
        downloadedSome,
        copiedName,
        copiedNames,
        removedInPhotos,
        checkingCopies,
        copyCheckStopped,
        restoring,
        restored,
    };

    // For the keys without arguments.
    explicit StatusText(Key key = Key::readyToScan)
        : m_key(key) {}

    static StatusText loaded(std::int64_t completed, std::int64_t total);
    static StatusText scanCompleted(std::int64_t count, std::int64_t knownSizeCount);
    static StatusText scanCancelledAt(std::int64_t count, std::int64_t total);
    static StatusText deleting(std::int64_t count);
    // `freedBytes`: what the disk gets back once the Trash is emptied; `freeingNothing`: videos
    // of a known size that give back nothing (links outside the library, shared blocks).
    static StatusText deleted(std::int64_t count, std::int64_t freedBytes,
                              std::int64_t freeingNothing = 0);
    static StatusText addingFavorites(std::int64_t count);
    static StatusText removingFavorites(std::int64_t count);
    static StatusText addedFavorites(std::int64_t count);
    static StatusText removedFavorites(std::int64_t count);
    static StatusText downloading(std::int64_t count);
    static StatusText downloadingOne(std::int64_t position, std::int64_t count);
    static StatusText downloaded(std::int64_t succeeded);
    static StatusText downloadedSome(std::int64_t succeeded, std::int64_t count);
    static StatusText copiedName(const QString &name);
    static StatusText copiedNames(std::int64_t count);
    static StatusText removedInPhotos(std::int64_t count);
    static StatusText checkingCopies(std::int64_t groups, std::int64_t doneBytes,
                                     std::int64_t totalBytes);
    static StatusText copyCheckStopped() { return StatusText(Key::copyCheckStopped); }
    static StatusText restored(std::int64_t count);

    Key key() const { return m_key; }
    // The counts in the order the factory takes them.
    const std::vector<std::int64_t> &counts() const { return m_counts; }
    // The text in the current language.
    QString text() const;

    friend bool operator==(const StatusText &, const StatusText &) = default;

private:
    StatusText(Key key, std::vector<std::int64_t> counts, QString name = {})
        : m_key(key)
        , m_counts(std::move(counts))
        , m_name(std::move(name)) {}

    Key m_key;
    std::vector<std::int64_t> m_counts;
    QString m_name;
};

} // namespace orsenta
