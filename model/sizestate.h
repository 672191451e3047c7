// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What is known of the bytes one video occupies, and which measure said so.

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace orsenta {

enum class SizeSource : std::uint8_t {
    photosMetadata,
    resourceDataSize,
    allocatedSize,
    logicalFileSize,
    fileAttributes,
};

inline constexpr std::array allSizeSources{SizeSource::photosMetadata, SizeSource::resourceDataSize,
                                           SizeSource::allocatedSize, SizeSource::logicalFileSize,
                                           SizeSource::fileAttributes};

QString sizeSourceName(SizeSource source);
std::optional<SizeSource> sizeSourceFromString(QStringView name);

class SizeState {
public:
    enum class Kind : std::uint8_t { known, unavailable, failed };

    // Nothing is known until a measure says otherwise.
    constexpr SizeState()
        : SizeState(Kind::unavailable, 0, {}) {}

    static constexpr SizeState known(std::int64_t bytes, SizeSource source) {
        return SizeState(Kind::known, bytes, source);
    }
    static constexpr SizeState unavailable() { return SizeState(Kind::unavailable, 0, {}); }
    static constexpr SizeState failed() { return SizeState(Kind::failed, 0, {}); }

    constexpr Kind kind() const { return m_kind; }
    constexpr bool isKnown() const { return m_kind == Kind::known; }
    // The byte count of a known size; none for `unavailable` and `failed`.
    constexpr std::optional<std::int64_t> knownBytes() const {
        return isKnown() ? std::optional<std::int64_t>(m_bytes) : std::nullopt;
    }
    // Only meaningful when isKnown().
    constexpr std::int64_t bytes() const { return m_bytes; }
    constexpr SizeSource source() const { return m_source; }

    friend constexpr bool operator==(const SizeState &a, const SizeState &b) {
        if (a.m_kind != b.m_kind)
            return false;
        return a.m_kind != Kind::known || (a.m_bytes == b.m_bytes && a.m_source == b.m_source);
    }

private:
    constexpr SizeState(Kind kind, std::int64_t bytes, SizeSource source)
        : m_bytes(bytes)
        , m_kind(kind)
        , m_source(source) {}

    std::int64_t m_bytes;
    Kind m_kind;
    SizeSource m_source;
};

std::size_t qHash(const SizeState &state, std::size_t seed = 0) noexcept;

} // namespace orsenta
