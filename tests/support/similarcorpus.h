// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A corpus of real videos for judging similar-video detection: originals made from FFmpeg's
// synthetic sources, each kept in several edited forms (re-encoded, resized, trimmed, with a
// logo), beside unrelated clips that look alike in the ways that fool a fingerprint (a shared
// intro, a still picture, near black, another clip of the same kind). Made with the ffmpeg
// command-line tool, one encoder at a time, and kept so that a later run reuses it.

#include "model/videofingerprint.h"
#include "model/videoitem.h"

#include <QList>
#include <QString>

namespace orsenta::test {

enum class CorpusSize {
    // A few tiny clips of a few seconds: made in seconds, for tests.
    small,
    // Eight originals of 10-24 s at 640x360 with fifteen edits each, and the unrelated clips: a
    // couple of minutes to make, for the benchmark.
    full,
};

struct CorpusClip {
    QString name;   // unique in the corpus, and the start of the file's name
    QString origin; // clips with the same origin are the same video; unrelated clips have their own
    QString edit;   // how it was made from its origin: "original" for the origin itself
    QString path;
};

// The edit name of an origin's own clip.
inline const QString originalEdit = QStringLiteral("original");

struct Corpus {
    QList<CorpusClip> clips; // each origin's original before its edits
    QString error;           // why the corpus could not be made; empty when it was
};

// Makes the corpus in a folder below `parent` named after the corpus's size, reusing any clip an
// earlier run made there from the same recipe. A clip is written under a temporary name and renamed
// once complete, so an interrupted run leaves no half-made clip behind under a clip's name.
Corpus makeSimilarCorpus(const QString &parent, CorpusSize size);

// The clip as the folder library would record it: duration and pixel size from its container,
// its size from the file, the given fingerprint, its name as identifier. An empty record when
// the container cannot be read.
VideoItem corpusItem(const CorpusClip &clip, const VideoFingerprint &fingerprint);

} // namespace orsenta::test
