// SPDX-License-Identifier: GPL-3.0-or-later
#include "threadhop.h"

#include <QCoreApplication>
#include <QThread>

#include <memory>
#include <utility>

namespace orsenta {

namespace {

// A coroutine posted to a thread, resumed once: when the post runs, or else when Qt discards
// the post because its context went away, rather than never.
class PostedResume {
public:
    explicit PostedResume(std::coroutine_handle<> handle)
        : m_handle(handle) {}
    ~PostedResume() { run(); }
    PostedResume(const PostedResume &) = delete;
    PostedResume &operator=(const PostedResume &) = delete;

    void run() {
        if (const std::coroutine_handle<> handle = std::exchange(m_handle, {}))
            handle.resume();
    }

private:
    std::coroutine_handle<> m_handle;
};

} // namespace

QObject *currentThreadContext() {
    // Every QThread has an event dispatcher, but pool threads never run it: only the main thread
    // (whose loop may not have started yet) and threads inside exec() deliver posted work.
    QThread *thread = QThread::currentThread();
    const QCoreApplication *app = QCoreApplication::instance();
    const bool runsLoop = (app && thread == app->thread()) || (thread && thread->loopLevel() > 0);
    if (!runsLoop)
        return nullptr;
    thread_local std::unique_ptr<QObject> context;
    if (!context)
        context = std::make_unique<QObject>();
    return context.get();
}

bool ResumeTarget::isHere() const {
    return m_anywhere || (m_context && m_context->thread() == QThread::currentThread());
}

void ResumeTarget::resume(std::coroutine_handle<> handle) const {
    QObject *context = m_context.data();
    if (m_anywhere || !context) {
        handle.resume();
        return;
    }
    auto posted = std::make_shared<PostedResume>(handle);
    QMetaObject::invokeMethod(
        context, [posted] { posted->run(); }, Qt::QueuedConnection);
}

} // namespace orsenta
