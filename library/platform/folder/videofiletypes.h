// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which files are videos: by name first (cheap, no I/O), by content only for names that say
// nothing either way.

#include <QByteArray>
#include <QByteArrayView>

namespace orsenta::platform {

enum class NameVerdict { video, notVideo, unknown };

// From the extension: the MIME database's globs for every video/* type.
NameVerdict videoVerdictForName(QByteArrayView fileName);

// For names that say nothing: the MIME database's magic on the file's first bytes.
bool hasVideoContent(const QByteArray &path);

} // namespace orsenta::platform
