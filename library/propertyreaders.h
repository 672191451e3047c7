// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Careful readers of the platform's optional members: each checks that a member exists and has
// the expected type before using it, and treats anything else as "not there".

#include "platform/platformtypes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace orsenta {

// An object member's value; none when the member is missing, not an object, or nil.
std::optional<platform::ObjectValue> objectProperty(const QString &name,
                                                    const platform::MemberSet &object);

// A positive number below 2^63 read from a number object or an integer or floating member,
// truncated toward zero; none for anything else, including zero, negatives, NaN and infinities.
std::optional<std::int64_t> numericProperty(const QString &name, const platform::MemberSet &object);

// Calls a one-argument setter that takes an object and returns nothing; false, without calling,
// when the member is missing or has another signature.
bool invokeSetterIfCompatible(const QString &name, const platform::MemberSet &object,
                              const platform::ObjectValue &argument);

// The full-size video (the current rendition of an edited video), else the video as taken.
std::optional<platform::AssetResource>
chooseVideoResource(const std::vector<platform::AssetResource> &resources);

// The file size the library recorded with the original's metadata.
std::optional<std::int64_t> originalMetadataFileSize(const platform::MemberSet &asset);

} // namespace orsenta
