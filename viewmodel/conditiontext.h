// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window says when the library could not be read or remembered whole: an index that
// cannot be written, folders that are missing or cannot be read.

#include "library/platform/platformtypes.h"

#include <QString>

namespace orsenta {

// Empty when all is well; otherwise a line for the index and one for each folder, at most a
// few folders by name and a count of the rest.
QString libraryConditionText(const platform::LibraryCondition &condition);

} // namespace orsenta
