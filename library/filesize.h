// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bytes a file occupies, from the file system.

#include "model/sizestate.h"

#include <QString>

namespace orsenta {

// The allocated size (what the file occupies, so a sparse file counts what it really uses),
// else its length, else the size its attributes report; `unavailable` when none is positive
// or the file cannot be read.
SizeState fileURLSize(const QString &path);

} // namespace orsenta
