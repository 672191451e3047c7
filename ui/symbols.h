// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The symbol images of the window, the table and the preview: the desktop's icon theme where it
// has a fitting icon, drawn shapes everywhere else, so that every symbol shows with no theme.

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

#include <array>
#include <cstdint>

class QPainter;

namespace orsenta {

enum class Symbol : std::uint8_t {
    film,                          // a video's thumbnail placeholder
    rectangleOnRectangle,          // a screen recording's thumbnail placeholder
    heartFill,                     // the favourite marker
    heart,                         // "Add to Favorites"
    heartSlash,                    // "Remove from Favorites"
    playRectangle,                 // "Preview"
    photoOnRectangle,              // "Show in Files"
    docOnDoc,                      // "Copy Name(s)"
    arrowDownCircle,               // "Save a Copy…"
    trash,                         // delete
    rectangle,                     // landscape orientation
    rectanglePortrait,             // portrait orientation
    chevronLeft,                   // the sidebar's back control
    chevronRight,                  // a sidebar row that opens a level below
    stopFill,                      // "Stop"
    arrowClockwise,                // "Scan"
    arrowTriangle2Circlepath,      // the outside-change banner
    line3HorizontalDecreaseCircle, // "No matches"
    lockFill,                      // "Folder access needed"
    videoSlash,                    // "No videos"
    playFill,                      // the player's play button
    pauseFill,                     // the player's pause button
    speakerWave2Fill,              // sound on
    speakerSlashFill,              // muted
    xmark,                         // the preview's close button
    Count
};

inline constexpr int symbolCount = int(Symbol::Count);

// The symbol's own name ("heart.fill"), for accessibility texts and diagnostics.
QString symbolName(Symbol symbol);
// The freedesktop icon naming specification's name for the symbol, or empty when the
// freedesktop naming has none that means the same, in which case only the drawn shape is used.
QString themeIconName(Symbol symbol);

// The theme's icon, else the drawn shape in the palette's text colour of each icon mode.
QIcon symbol(Symbol symbol);
// Always the drawn shape: for cells that tint a symbol (a pink heart, a secondary film strip).
QIcon drawnSymbol(Symbol symbol);

// Draws the shape centred in `rect`, as large as fits a square, in `color`.
void paintSymbol(QPainter &painter, Symbol symbol, const QRectF &rect, const QColor &color);

} // namespace orsenta
