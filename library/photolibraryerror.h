// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The error every library operation throws; its description is the text the user sees.

#include "platform/platformtypes.h"

#include <QString>

#include <exception>
#include <optional>

namespace orsenta {

class PhotoLibraryError : public std::exception {
public:
    enum class Kind {
        operationFailed,
        notAuthorized,
        assetUnavailable,
        assetNotFound,
        videoResourceUnavailable,
    };

    static PhotoLibraryError notAuthorized() { return PhotoLibraryError(Kind::notAuthorized); }
    static PhotoLibraryError assetUnavailable() {
        return PhotoLibraryError(Kind::assetUnavailable);
    }
    static PhotoLibraryError assetNotFound() { return PhotoLibraryError(Kind::assetNotFound); }
    static PhotoLibraryError videoResourceUnavailable() {
        return PhotoLibraryError(Kind::videoResourceUnavailable);
    }
    // Wraps an error the platform reported.
    static PhotoLibraryError operationFailed(platform::PlatformError underlying);
    // Wraps one of our own errors, for failures the platform gave no error for.
    static PhotoLibraryError operationFailed(Kind underlying);

    Kind kind() const { return m_kind; }
    const std::optional<platform::PlatformError> &underlyingPlatformError() const {
        return m_platformError;
    }
    // The user-facing text in the current locale; for operationFailed, the wrapped error's own.
    QString errorDescription() const;
    const char *what() const noexcept override;

private:
    explicit PhotoLibraryError(Kind kind)
        : m_kind(kind) {}

    Kind m_kind;
    Kind m_wrappedKind = Kind::assetUnavailable;
    std::optional<platform::PlatformError> m_platformError;
    mutable QByteArray m_what;
};

} // namespace orsenta
