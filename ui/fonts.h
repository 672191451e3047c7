// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The widget font made smaller or larger, for captions, headlines and big figures, so that every
// text follows the desktop's font and its size, whether given in points or in pixels.

#include <QFont>

#include <algorithm>
#include <optional>

namespace orsenta {

inline QFont scaledFont(const QFont &base, qreal factor,
                        std::optional<QFont::Weight> weight = std::nullopt) {
    QFont font = base;
    if (base.pointSizeF() > 0)
        font.setPointSizeF(base.pointSizeF() * factor);
    else
        font.setPixelSize(std::max(1, int(base.pixelSize() * factor)));
    if (weight)
        font.setWeight(*weight);
    return font;
}

} // namespace orsenta
