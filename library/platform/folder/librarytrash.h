// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measures what of the library waits in the freedesktop.org Trash: the home Trash and the Trash
// of each mount that holds a library folder, read and never changed. Cheap enough for after
// every scan and every move: it reads the records' names, the small records, and one stat each.

#include "library/platform/platformtypes.h"
#include "libraryroots.h"

namespace orsenta::platform {

// Entries whose record names a path inside the library's folders and whose file is still there,
// each once, with the blocks it holds (a folder's whole tree, links not followed). An entry whose
// name says it is something other than a video (a photo of the Pictures folder) is not counted.
LibraryTrash measureLibraryTrash(const LibraryRoots &roots);

} // namespace orsenta::platform
