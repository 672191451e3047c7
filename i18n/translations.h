// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loads the application's texts for the user's locale (English plural forms at least).

namespace orsenta {

// Installs the translator on the running QCoreApplication; false if none could be loaded.
bool installTranslations();

} // namespace orsenta
