// SPDX-License-Identifier: GPL-3.0-or-later
#include "propertyreaders.h"

#include <cmath>

namespace orsenta {

using namespace platform;

std::optional<ObjectValue> objectProperty(const QString &name, const MemberSet &object) {
    const Member *member = object.find(name);
    const auto *value = member ? std::get_if<ObjectMember>(member) : nullptr;
    if (!value || std::holds_alternative<std::nullptr_t>(value->value))
        return std::nullopt;
    return value->value;
}

std::optional<std::int64_t> numericProperty(const QString &name, const MemberSet &object) {
    const Member *member = object.find(name);
    if (!member)
        return std::nullopt;
    std::optional<double> number;
    if (const auto *m = std::get_if<ObjectMember>(member)) {
        if (const auto *n = std::get_if<NumberObject>(&m->value))
            number = n->value;
    } else if (const auto *m = std::get_if<UnsignedMember>(member)) {
        if (!(m->value >> 63))
            number = double(m->value);
    } else if (const auto *m = std::get_if<SignedMember>(member)) {
        number = double(m->value);
    } else if (const auto *m = std::get_if<DoubleMember>(member)) {
        number = m->value;
    } else if (const auto *m = std::get_if<FloatMember>(member)) {
        number = double(m->value);
    }
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!number || !std::isfinite(*number) || *number <= 0 || *number >= limit)
        return std::nullopt;
    return std::int64_t(*number);
}

bool invokeSetterIfCompatible(const QString &name, const MemberSet &object,
                              const ObjectValue &argument) {
    const Member *member = object.find(name);
    const auto *method = member ? std::get_if<MethodMember>(member) : nullptr;
    if (!method || method->argumentCount != 3 || method->returns != ValueType::none
        || method->argument != ValueType::object || !method->invoke)
        return false;
    method->invoke(argument);
    return true;
}

std::optional<AssetResource> chooseVideoResource(const std::vector<AssetResource> &resources) {
    for (int type : {resourcetype::fullSizeVideo, resourcetype::video}) {
        for (const AssetResource &resource : resources) {
            if (resource.type == type)
                return resource;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> originalMetadataFileSize(const MemberSet &asset) {
    const std::optional<ObjectValue> properties =
        objectProperty(members::originalMetadataProperties, asset);
    const auto *record =
        properties ? std::get_if<std::shared_ptr<const MemberSet>>(&*properties) : nullptr;
    if (!record || !*record)
        return std::nullopt;
    return numericProperty(members::originalFilesize, **record);
}

} // namespace orsenta
