// SPDX-License-Identifier: GPL-3.0-or-later
#include "sizestate.h"

#include <QHashFunctions>

namespace orsenta {

QString sizeSourceName(SizeSource source) {
    switch (source) {
    case SizeSource::photosMetadata:
        return QStringLiteral("photosMetadata");
    case SizeSource::resourceDataSize:
        return QStringLiteral("resourceDataSize");
    case SizeSource::allocatedSize:
        return QStringLiteral("allocatedSize");
    case SizeSource::logicalFileSize:
        return QStringLiteral("logicalFileSize");
    case SizeSource::fileAttributes:
        return QStringLiteral("fileAttributes");
    }
    return {};
}

std::optional<SizeSource> sizeSourceFromString(QStringView name) {
    for (SizeSource source : allSizeSources) {
        if (name == sizeSourceName(source))
            return source;
    }
    return std::nullopt;
}

std::size_t qHash(const SizeState &state, std::size_t seed) noexcept {
    if (!state.isKnown())
        return qHashMulti(seed, int(state.kind()));
    return qHashMulti(seed, int(state.kind()), state.bytes(), int(state.source()));
}

} // namespace orsenta
