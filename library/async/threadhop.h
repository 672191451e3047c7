// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving a coroutine onto a thread that runs an event loop, and resuming it there exactly once.

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <coroutine>
#include <exception>
#include <optional>

namespace orsenta {

// An object living in the current thread through which work can be posted to it, or null when
// the thread runs no event loop (a pool thread), where nothing could deliver the post.
QObject *currentThreadContext();

// Where a coroutine asked to continue: a thread's context object, or "wherever it is" when the
// thread it came from runs no event loop. A resumption is never dropped: when the context is
// gone, or goes before the post reaches it, the coroutine resumes on the thread that finds it
// gone.
class ResumeTarget {
public:
    explicit ResumeTarget(QObject *context)
        : m_context(context)
        , m_anywhere(!context) {}
    bool isHere() const;
    void resume(std::coroutine_handle<> handle) const;

private:
    QPointer<QObject> m_context;
    bool m_anywhere;
};

// Resumes the awaiting coroutine on `context`'s thread; no suspension when already there.
class ResumeOn {
public:
    explicit ResumeOn(QObject *context)
        : m_target(context) {}
    bool await_ready() const noexcept { return m_target.isHere(); }
    void await_suspend(std::coroutine_handle<> handle) const { m_target.resume(handle); }
    void await_resume() const noexcept {}

private:
    ResumeTarget m_target;
};

// Moves onto another thread with `hop`, runs `body` (a callable returning a QCoro::Task) there,
// and hands its result or exception back on the thread that called.
//
// A QCoro::Task hands its result over without synchronization, so it must finish on the thread
// that awaits it: `body` may suspend only on awaits that resume it on the hop's thread, and the
// calling thread must run an event loop.
template <typename Hop, typename Body>
auto runElsewhere(Hop hop, Body body) -> decltype(body()) {
    using T = typename decltype(body())::value_type;
    const ResumeOn back(currentThreadContext());
    co_await hop;
    std::exception_ptr error;
    if constexpr (std::is_void_v<T>) {
        try {
            co_await body();
        } catch (...) {
            error = std::current_exception();
        }
        co_await back;
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<T> result;
        try {
            result.emplace(co_await body());
        } catch (...) {
            error = std::current_exception();
        }
        co_await back;
        if (error)
            std::rethrow_exception(error);
        co_return std::move(*result);
    }
}

} // namespace orsenta
