#pragma once
// Turns a platform call with a completion handler into something a coroutine awaits. The
// handler may run on any thread, at once or later, and more than once: a ResumeGuard lets the
// first call through. The coroutine resumes on the thread it awaited from when that thread runs
// an event loop, else on the handler's thread.

#include "resumeguard.h"
#include "threadhop.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace orsenta {

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
        m_start([state = m_state](T value) { deliver(state, std::move(value)); });
        int expected = pending;
        // When the handler already ran, carry on without suspending.
        return m_state->phase.compare_exchange_strong(expected, suspended);
    }

    T await_resume() { return std::move(*m_state->value); }

private:
    enum Phase { pending, suspended, deliveredEarly };

    struct State {
        ResumeGuard guard;
        std::optional<T> value;
        std::coroutine_handle<> handle;
        std::optional<ResumeTarget> target;
        std::atomic<int> phase{pending};
    };

    static void deliver(const std::shared_ptr<State> &state, T value) {
        if (!state->guard.claim())
            return;
        state->value.emplace(std::move(value));
        int expected = pending;
        if (state->phase.compare_exchange_strong(expected, deliveredEarly))
            return;
        state->target->resume(state->handle);
    }

    Start m_start;
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace orsenta
