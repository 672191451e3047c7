// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns a platform call with a completion handler into something a coroutine awaits. The
// handler may run on any thread, at once or later, more than once, or never: a ResumeGuard lets
// the first call through, and a handler dropped uncalled (every copy of it destroyed) answers
// with CallbackAbandoned, so the await always ends. The coroutine resumes on the thread it
// awaited from when that thread runs an event loop, else on the handler's thread.

#include "resumeguard.h"
#include "threadhop.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace orsenta {

// Thrown by an await whose handler was dropped without being called.
class CallbackAbandoned : public std::runtime_error {
public:
    CallbackAbandoned()
        : std::runtime_error("a completion handler was dropped without being called") {}
};

template <typename T>
class CallbackAwaiter {
public:
    using Resume = std::function<void(T)>;
    using Start = std::function<void(Resume)>;

    explicit CallbackAwaiter(Start start)
        : m_start(std::move(start)) {}

    bool await_ready() const noexcept { return false; }

    bool await_suspend(std::coroutine_handle<> handle) {
        m_state->handle = handle;
        m_state->target.emplace(currentThreadContext());
        {
            auto answer = std::make_shared<Answer>(m_state);
            m_start([answer](T value) { answer->deliver(std::move(value)); });
        }
        int expected = pending;
        // When the handler already ran, or was already dropped, carry on without suspending.
        return m_state->phase.compare_exchange_strong(expected, suspended);
    }

    T await_resume() {
        if (!m_state->value)
            throw CallbackAbandoned();
        return std::move(*m_state->value);
    }

private:
    enum Phase { pending, suspended, deliveredEarly };

    struct State {
        ResumeGuard guard;
        std::optional<T> value;
        std::coroutine_handle<> handle;
        std::optional<ResumeTarget> target;
        std::atomic<int> phase{pending};
    };

    // Shared by every copy of the handler; the last copy to go answers for a handler never
    // called.
    class Answer {
    public:
        explicit Answer(std::shared_ptr<State> state)
            : m_state(std::move(state)) {}
        ~Answer() { settle(std::nullopt); }
        Answer(const Answer &) = delete;
        Answer &operator=(const Answer &) = delete;

        void deliver(T value) { settle(std::move(value)); }

    private:
        void settle(std::optional<T> value) {
            if (!m_state->guard.claim())
                return;
            m_state->value = std::move(value);
            int expected = pending;
            if (m_state->phase.compare_exchange_strong(expected, deliveredEarly))
                return;
            m_state->target->resume(m_state->handle);
        }

        std::shared_ptr<State> m_state;
    };

    Start m_start;
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace orsenta
