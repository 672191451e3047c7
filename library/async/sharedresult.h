#pragma once
// One result that several coroutines of one thread wait for, such as a request that later
// callers join instead of repeating.

#include <coroutine>
#include <optional>
#include <vector>

namespace orsenta {

template <typename T>
class SharedResult {
public:
    // Hands `value` to every waiter, on this thread, in the order they came.
    void set(T value) {
        m_value.emplace(std::move(value));
        for (std::coroutine_handle<> waiter : std::exchange(m_waiters, {}))
            waiter.resume();
    }

    class Awaiter {
    public:
        explicit Awaiter(SharedResult &result)
            : m_result(result) {}
        bool await_ready() const noexcept { return m_result.m_value.has_value(); }
        void await_suspend(std::coroutine_handle<> handle) { m_result.m_waiters.push_back(handle); }
        T await_resume() const { return *m_result.m_value; }

    private:
        SharedResult &m_result;
    };

    Awaiter wait() { return Awaiter(*this); }

private:
    std::optional<T> m_value;
    std::vector<std::coroutine_handle<>> m_waiters;
};

} // namespace orsenta
