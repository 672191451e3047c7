#include "threadhop.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <memory>

namespace orsenta {

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
    if (m_anywhere) {
        handle.resume();
        return;
    }
    if (m_context)
        QMetaObject::invokeMethod(
            m_context.data(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}

void ResumeOnPool::await_suspend(std::coroutine_handle<> handle) const {
    m_pool.start([handle] { handle.resume(); });
}

} // namespace orsenta
