// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a coroutine task to its end on this thread's event loop and returns its result, or
// rethrows its exception: QCoro::waitFor alone never returns when the task throws.

#include <QCoroTask>
#include <QTest>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>

namespace orsenta::test {

template <typename T>
T await(QCoro::Task<T> &&task) {
    std::exception_ptr error;
    auto guarded = [](QCoro::Task<T> inner, std::exception_ptr &failure)
        -> QCoro::Task<std::optional<std::conditional_t<std::is_void_v<T>, bool, T>>> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await inner;
                co_return true;
            } else {
                co_return co_await inner;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        co_return std::nullopt;
    };
    auto result = QCoro::waitFor(guarded(std::move(task), error));
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}

// The task's result, or none when it has not ended within `bound`: a guard that turns a lost
// resumption into a failure instead of a hang, never a measure of speed.
template <typename T>
std::optional<T> awaitWithin(QCoro::Task<T> &&task, std::chrono::milliseconds bound) {
    struct Outcome {
        bool ended = false;
        std::optional<T> value;
        std::exception_ptr error;
    };
    const auto outcome = std::make_shared<Outcome>();
    auto guarded = [](QCoro::Task<T> inner, std::shared_ptr<Outcome> into) -> QCoro::Task<> {
        try {
            into->value.emplace(co_await inner);
        } catch (...) {
            into->error = std::current_exception();
        }
        into->ended = true;
    };
    guarded(std::move(task), outcome);
    if (!QTest::qWaitFor([&] { return outcome->ended; }, int(bound.count())))
        return std::nullopt;
    if (outcome->error)
        std::rethrow_exception(outcome->error);
    return std::move(outcome->value);
}

} // namespace orsenta::test
