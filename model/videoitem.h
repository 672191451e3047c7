// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalog's immutable record of one video, with the keys its ordering and search rules use.

#include "filefacts.h"
#include "instant.h"
#include "sizestate.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orsenta {

// A cheap-to-copy handle on one immutable record. Copies share the record; "changing" a field
// builds a new record. The name, search and identifier keys are derived once at construction
// and follow from the fields, so equality and hashing ignore them.
class VideoItem {
public:
    // An empty record (empty identifier, no file name, unknown date and size).
    VideoItem();
    VideoItem(QStringView localIdentifier, std::optional<QStringView> resourceFilename,
              Instant creationDate, double duration, std::int64_t pixelWidth,
              std::int64_t pixelHeight, bool isFavorite, bool isScreenRecording,
              SizeState sizeState, FileFacts fileFacts = {});
    VideoItem(const VideoItem &other) noexcept;
    VideoItem(VideoItem &&other) noexcept;
    VideoItem &operator=(const VideoItem &other) noexcept;
    VideoItem &operator=(VideoItem &&other) noexcept;
    ~VideoItem();

    QString localIdentifier() const;
    QString id() const { return localIdentifier(); }
    std::optional<QString> resourceFilename() const;
    Instant creationDate() const;
    double duration() const;
    std::int64_t pixelWidth() const;
    std::int64_t pixelHeight() const;
    bool isFavorite() const;
    bool isScreenRecording() const;
    SizeState sizeState() const;
    const FileFacts &fileFacts() const;
    // What deleting it gives back once the Trash is emptied: the file's freed bytes where the
    // library knows them, else its known size, else 0.
    std::int64_t freedBytes() const;
    // Year and month of creationDate in the calendar captured at first use; 0 for distantPast.
    std::int64_t creationYear() const;
    std::int64_t creationMonth() const;

    // resourceFilename when present (an empty name counts as present), else localIdentifier.
    QString displayName() const;

    VideoItem withFavorite(bool isFavorite) const;
    VideoItem withSizeState(SizeState sizeState) const;
    // The same record once its content was checked for copies: `digest` is empty when no other
    // video has its bytes.
    VideoItem withContentChecked(const QByteArray &digest) const;
    // The same record with what it looks like, once the library has fingerprinted it.
    VideoItem withFingerprint(const VideoFingerprint &fingerprint) const;

    // Byte string whose plain byte order is the name order (case-insensitive, digit runs by
    // value, canonically equivalent forms equal).
    QByteArrayView nameKey() const;
    // The first eight bytes of nameKey as a big-endian number, zero-padded.
    std::uint64_t namePrefix() const;
    // The display name folded for search, UTF-8 (see searchFold()).
    QByteArrayView searchKey() const;
    // The identifier in canonical composition, UTF-8: byte order is Unicode scalar order.
    QByteArrayView identifierKey() const;

    friend bool operator==(const VideoItem &a, const VideoItem &b);

private:
    struct Block;
    explicit VideoItem(Block *block) noexcept
        : m_block(block) {}
    VideoItem rebuilt(bool isFavorite, SizeState sizeState, const FileFacts &facts) const;

    Block *m_block;
};

std::size_t qHash(const VideoItem &item, std::size_t seed = 0) noexcept;

} // namespace orsenta
