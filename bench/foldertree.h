// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A large folder library for benchmarks: a tree of small files with video names, indexed as
// after a first full scan, so that a fetch reads every file from the index.

#include "library/platform/folder/libraryroots.h"

#include <QString>

namespace orsenta::bench {

// The helper the folder library starts, which the build copies beside each benchmark.
QString probeHelper();

// `files` one-byte files named IMG_000000.MOV and on, a hundred to a folder, under `root`.
void makeTree(const QString &root, int files);

// Indexes the tree under `root` in the index at `indexPath`, marks every row as read, and
// returns the library roots that hold the tree.
platform::LibraryRoots indexTree(const QString &root, const QString &indexPath);

} // namespace orsenta::bench
