#pragma once
// Threads for work that must not run on an actor or on the caller's thread: blocking platform
// calls, file system reads. Bounded, and drained before it is destroyed.

#include "threadhop.h"

#include <QCoroTask>
#include <QThreadPool>

namespace orsenta {

class WorkerPool {
public:
    explicit WorkerPool(int maxThreads) { m_pool.setMaxThreadCount(maxThreads); }
    ~WorkerPool() { m_pool.waitForDone(); }
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // `co_await enter()` moves the coroutine onto a pool thread.
    ResumeOnPool enter() { return ResumeOnPool(m_pool); }

    // Runs `body` (a callable returning a QCoro::Task) on the pool and hands its result or
    // exception back on the calling thread.
    template <typename Body>
    auto run(Body body) -> decltype(body()) {
        return runElsewhere(enter(), std::move(body));
    }

private:
    QThreadPool m_pool;
};

} // namespace orsenta
