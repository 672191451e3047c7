// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Results of concurrent work, taken one at a time in the order they finish, by one coroutine
// on one thread. Producers post from any thread.

#include "threadhop.h"

#include <coroutine>
#include <deque>
#include <mutex>
#include <optional>

namespace orsenta {

template <typename T>
class CompletionQueue {
public:
    // The consumer resumes on `context`'s thread.
    explicit CompletionQueue(QObject *context)
        : m_target(context) {}

    void post(T value) {
        std::coroutine_handle<> waiter;
        {
            std::lock_guard lock(m_lock);
            m_ready.push_back(std::move(value));
            waiter = std::exchange(m_waiter, nullptr);
        }
        if (waiter)
            m_target.resume(waiter);
    }

    class NextAwaiter {
    public:
        explicit NextAwaiter(CompletionQueue &queue)
            : m_queue(queue) {}
        bool await_ready() {
            std::lock_guard lock(m_queue.m_lock);
            return !m_queue.m_ready.empty();
        }
        bool await_suspend(std::coroutine_handle<> handle) {
            std::lock_guard lock(m_queue.m_lock);
            if (!m_queue.m_ready.empty())
                return false;
            m_queue.m_waiter = handle;
            return true;
        }
        T await_resume() {
            std::lock_guard lock(m_queue.m_lock);
            T value = std::move(m_queue.m_ready.front());
            m_queue.m_ready.pop_front();
            return value;
        }

    private:
        CompletionQueue &m_queue;
    };

    NextAwaiter next() { return NextAwaiter(*this); }

private:
    ResumeTarget m_target;
    std::mutex m_lock;
    std::deque<T> m_ready;
    std::coroutine_handle<> m_waiter;
};

} // namespace orsenta
