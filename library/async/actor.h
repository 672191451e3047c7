// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thread of its own on which an object's state is touched, one piece of work at a time.
// Work enters the actor, runs there between suspensions, and resumes its caller on the caller's
// thread.

#include "threadhop.h"

#include <QCoroTask>
#include <QThread>

namespace orsenta {

class Actor {
public:
    explicit Actor(const QString &name);
    ~Actor();
    Actor(const Actor &) = delete;
    Actor &operator=(const Actor &) = delete;

    bool isCurrent() const { return QThread::currentThread() == m_thread; }
    // `co_await enter()` moves the coroutine onto the actor; a no-op when already there.
    ResumeOn enter() const { return ResumeOn(m_context); }

    // Runs `body` (a callable returning a QCoro::Task) on the actor and hands its result or
    // exception back on the calling thread.
    template <typename Body>
    auto run(Body body) -> decltype(body()) {
        return runElsewhere(enter(), std::move(body));
    }

private:
    QThread *m_thread;
    QObject *m_context;
};

} // namespace orsenta
