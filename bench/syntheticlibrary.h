#pragma once
// A reproducible library of records with realistic names, sizes and dates for benchmarks.

#include "model/videoitem.h"

#include <vector>

namespace orsenta::bench {

// `count` records: camera and phone names, "clip (2).mp4" copies, mixed case, accented names in
// composed and decomposed form, long names; about 5 % in same-size groups, 3 % of unknown size.
std::vector<VideoItem> syntheticLibrary(int count, unsigned seed = 42);

} // namespace orsenta::bench
