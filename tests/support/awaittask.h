#pragma once
// Runs a coroutine task to its end on this thread's event loop and returns its result, or
// rethrows its exception: QCoro::waitFor alone never returns when the task throws.

#include <QCoroTask>

#include <exception>
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

} // namespace orsenta::test
