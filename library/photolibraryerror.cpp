// SPDX-License-Identifier: GPL-3.0-or-later
#include "photolibraryerror.h"

#include <QCoreApplication>

namespace orsenta {

namespace {

QString fixedDescription(PhotoLibraryError::Kind kind) {
    switch (kind) {
    case PhotoLibraryError::Kind::notAuthorized:
        return QCoreApplication::translate("PhotoLibraryError",
                                           "Orsenta may not read your video folders.");
    case PhotoLibraryError::Kind::assetNotFound:
        return QCoreApplication::translate("PhotoLibraryError",
                                           "This video is no longer in your video folders.");
    case PhotoLibraryError::Kind::videoResourceUnavailable:
        return QCoreApplication::translate("PhotoLibraryError",
                                           "The file of this video could not be read.");
    case PhotoLibraryError::Kind::operationFailed:
    case PhotoLibraryError::Kind::assetUnavailable:
        break;
    }
    return QCoreApplication::translate("PhotoLibraryError",
                                       "The file of this video is not available on this computer.");
}

} // namespace

PhotoLibraryError PhotoLibraryError::operationFailed(platform::PlatformError underlying) {
    PhotoLibraryError error(Kind::operationFailed);
    error.m_platformError = std::move(underlying);
    return error;
}

PhotoLibraryError PhotoLibraryError::operationFailed(Kind underlying) {
    PhotoLibraryError error(Kind::operationFailed);
    error.m_wrappedKind = underlying == Kind::operationFailed ? Kind::assetUnavailable : underlying;
    return error;
}

QString PhotoLibraryError::errorDescription() const {
    if (m_kind != Kind::operationFailed)
        return fixedDescription(m_kind);
    if (m_platformError)
        return m_platformError->description;
    return fixedDescription(m_wrappedKind);
}

const char *PhotoLibraryError::what() const noexcept {
    m_what = errorDescription().toUtf8();
    return m_what.constData();
}

} // namespace orsenta
