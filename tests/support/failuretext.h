// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a library call that is meant to fail tells the user.

#include "awaittask.h"
#include "library/photolibraryerror.h"

#include <QString>

namespace orsenta::test {

// The description of the library error `task` ends with; empty when it succeeds.
template <typename T>
QString failureText(QCoro::Task<T> &&task) {
    try {
        await(std::move(task));
    } catch (const PhotoLibraryError &error) {
        return error.errorDescription();
    }
    return {};
}

} // namespace orsenta::test
