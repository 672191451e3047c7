// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lets a platform callback that may run more than once resume its waiting caller exactly once.

#include <mutex>

namespace orsenta {

class ResumeGuard {
public:
    // True for the first caller only.
    bool claim() {
        std::lock_guard lock(m_lock);
        if (m_claimed)
            return false;
        m_claimed = true;
        return true;
    }

private:
    std::mutex m_lock;
    bool m_claimed = false;
};

} // namespace orsenta
