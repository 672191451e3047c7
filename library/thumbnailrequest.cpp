// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnailrequest.h"

namespace orsenta {

void ThumbnailRequest::finish(ThumbnailPtr result) {
    m_result = result;
    for (auto &[id, waiter] : std::exchange(m_waiters, {})) {
        *waiter.slot = result;
        waiter.handle.resume();
    }
}

void ThumbnailRequest::leave(std::uint64_t waiter) {
    const auto it = m_waiters.find(waiter);
    if (it == m_waiters.end())
        return; // already answered
    const std::coroutine_handle<> handle = it->second.handle;
    m_waiters.erase(it);
    abandonIfUnwanted();
    handle.resume();
}

void ThumbnailRequest::abandonIfUnwanted() {
    if (!m_waiters.empty() || m_result || m_libraryStop.stop_requested())
        return;
    m_libraryStop.request_stop();
    if (m_abandoned)
        m_abandoned(this);
}

bool ThumbnailRequest::Awaiter::await_ready() {
    if (m_request->m_result) {
        m_value = *m_request->m_result;
        return true;
    }
    if (m_cancellation.stop_requested()) {
        m_request->abandonIfUnwanted();
        return true;
    }
    return false;
}

void ThumbnailRequest::Awaiter::await_suspend(std::coroutine_handle<> handle) {
    m_waiter = m_request->m_nextWaiter++;
    m_request->m_waiters.emplace(m_waiter, Waiter{handle, &m_value});
    // Cancellation may come from any thread; leaving happens on the actor.
    m_onCancel = std::make_unique<std::stop_callback<std::function<void()>>>(
        m_cancellation, [request = m_request, waiter = m_waiter] {
            if (QObject *context = request->m_actorContext)
                QMetaObject::invokeMethod(
                    context, [request, waiter] { request->leave(waiter); }, Qt::QueuedConnection);
        });
}

} // namespace orsenta
