// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hears that the photo library changed and passes it on; the platform calls it on any thread.

#include <functional>

namespace orsenta {

class LibraryChangeObserver {
public:
    // `onChange` runs on the platform's thread: it should do no more than hand over.
    explicit LibraryChangeObserver(std::function<void()> onChange)
        : m_onChange(std::move(onChange)) {}

    // What changed is not looked at: the view model asks the library what still exists.
    void photoLibraryDidChange() const { m_onChange(); }

private:
    std::function<void()> m_onChange;
};

} // namespace orsenta
