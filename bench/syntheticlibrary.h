// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A reproducible library of records with realistic names, sizes and dates for benchmarks.

#include "library/platform/memory/memoryplatform.h"
#include "model/videoitem.h"

#include <memory>
#include <vector>

namespace orsenta::bench {

// `count` records: camera and phone names, "clip (2).mp4" copies, mixed case, accented names in
// composed and decomposed form, long names; about 5 % in same-size groups, 3 % of unknown size.
std::vector<VideoItem> syntheticLibrary(int count, unsigned seed = 42);

// The records as assets of an in-memory library: names and sizes held by the library (the fast
// path), except those of unknown size, which a scan reads slowly and then probes.
std::shared_ptr<platform::MemoryPlatform> memoryLibraryOf(const std::vector<VideoItem> &records);

} // namespace orsenta::bench
