// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Threads for work that must not run on an actor or on the caller's thread: blocking platform
// calls, file system reads. Bounded, and drained before it is destroyed.
//
// Only plain functions run on the pool; coroutines never do. A coroutine awaiting the pool
// resumes through its own thread's event loop, so every task finishes on the thread that awaits
// it and no resumption can race with the await that registers it.

#include "callbackawaiter.h"

#include <QCoroTask>
#include <QThreadPool>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

namespace orsenta {

class WorkerPool {
public:
    explicit WorkerPool(int maxThreads) { m_pool.setMaxThreadCount(maxThreads); }
    ~WorkerPool() { m_pool.waitForDone(); }
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // Starts `job` on a pool thread; for platform calls that answer through a handler.
    void start(std::function<void()> job) { m_pool.start(std::move(job)); }

    // Runs `work` (a plain callable) on the pool and hands its result or exception back on the
    // awaiting thread, which must run an event loop. `work` is destroyed on the pool before the
    // caller resumes, so what it holds is never released last on a pool thread.
    template <typename Work>
    auto run(Work work) -> QCoro::Task<std::invoke_result_t<Work &>> {
        using T = std::invoke_result_t<Work &>;
        using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
        using Outcome = std::variant<Value, std::exception_ptr>;
        CallbackAwaiter<Outcome> done([this, &work](auto resume) {
            auto held = std::make_shared<std::optional<Work>>(std::move(work));
            start([held, resume] {
                std::optional<Outcome> outcome;
                try {
                    if constexpr (std::is_void_v<T>) {
                        (**held)();
                        outcome.emplace(std::in_place_index<0>);
                    } else {
                        outcome.emplace(std::in_place_index<0>, (**held)());
                    }
                } catch (...) {
                    outcome.emplace(std::in_place_index<1>, std::current_exception());
                }
                held->reset();
                resume(std::move(*outcome));
            });
        });
        Outcome outcome = co_await done;
        if (outcome.index() == 1)
            std::rethrow_exception(std::get<1>(outcome));
        if constexpr (!std::is_void_v<T>)
            co_return std::move(std::get<0>(outcome));
    }

private:
    QThreadPool m_pool;
};

} // namespace orsenta
