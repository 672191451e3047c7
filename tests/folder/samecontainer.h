// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Compares two readings of one container field by field, so that a failure names the field.

#include "library/platform/folder/containerprobe.h"

#include <QTest>

#include <cmath>

namespace orsenta::test {

inline void verifySameContainer(const platform::ContainerInfo &actual,
                                const platform::ContainerInfo &expected) {
    QCOMPARE(actual.opened, expected.opened);
    QCOMPARE(actual.hasVideo, expected.hasVideo);
    QCOMPARE(actual.pixelWidth, expected.pixelWidth);
    QCOMPARE(actual.pixelHeight, expected.pixelHeight);
    QCOMPARE(std::isnan(actual.duration), std::isnan(expected.duration));
    if (!std::isnan(expected.duration))
        QCOMPARE(actual.duration, expected.duration);
    QCOMPARE(actual.creationTimeMicros, expected.creationTimeMicros);
    QCOMPARE(actual.error, expected.error);
}

} // namespace orsenta::test
