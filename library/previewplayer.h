// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A player made ready for one video of the library: what the preview sheet plays.

#include <QMediaPlayer>

#include <exception>
#include <memory>

namespace orsenta {

struct PreviewPlayer {
    // Has read the video and can play it; its QAudioOutput is its child.
    std::unique_ptr<QMediaPlayer> player;
    double duration = 0; // seconds; 0 when the length is unknown
};

// Thrown when the caller stopped waiting for a player; there is nothing to tell the user.
class PreviewCancelled : public std::exception {
public:
    const char *what() const noexcept override { return "the preview was cancelled"; }
};

// The length to show: the player's when it knows one, else the library's, else 0.
double previewSeconds(qint64 playerMilliseconds, double librarySeconds);

} // namespace orsenta
