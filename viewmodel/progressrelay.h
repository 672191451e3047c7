// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hands a long task's progress from its worker thread to the main thread, one post at a time:
// readings that come while one is on its way replace each other.

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace orsenta {

template <typename Progress>
class ProgressRelay {
public:
    explicit ProgressRelay(std::function<void(Progress)> apply)
        : m_apply(std::move(apply)) {}

    void report(Progress progress) {
        {
            std::lock_guard lock(m_mutex);
            m_latest = progress;
        }
        if (m_posted.exchange(true))
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [relay = m_self.lock()] {
                if (relay)
                    relay->deliver();
            },
            Qt::QueuedConnection);
    }
    static std::shared_ptr<ProgressRelay> make(std::function<void(Progress)> apply) {
        auto relay = std::make_shared<ProgressRelay>(std::move(apply));
        relay->m_self = relay;
        return relay;
    }

private:
    void deliver() {
        m_posted = false;
        Progress latest;
        {
            std::lock_guard lock(m_mutex);
            latest = m_latest;
        }
        m_apply(latest);
    }

    std::function<void(Progress)> m_apply;
    std::weak_ptr<ProgressRelay> m_self;
    std::mutex m_mutex;
    Progress m_latest;
    std::atomic<bool> m_posted{false};
};

} // namespace orsenta
