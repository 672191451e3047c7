// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One library request for one thumbnail, joined by every caller that asks for the same
// thumbnail while it runs. A caller may leave early; when the last one leaves, the library
// request is cancelled. Used on the service's actor only, except for the cancellation hooks.

#include "mediaobjects.h"

#include <QPointer>

#include <coroutine>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>

namespace orsenta {

class ThumbnailRequest : public std::enable_shared_from_this<ThumbnailRequest> {
public:
    // Called on the actor when the last caller leaves before the result.
    using Abandoned = std::function<void(const ThumbnailRequest *)>;

    // `actorContext`: the object through which a caller's cancellation reaches the actor.
    ThumbnailRequest(QObject *actorContext, Abandoned abandoned)
        : m_actorContext(actorContext)
        , m_abandoned(std::move(abandoned)) {}

    // Stopped once every caller has left before the result came.
    std::stop_token libraryCancellation() const { return m_libraryStop.get_token(); }

    // Hands the result to every caller still waiting.
    void finish(ThumbnailPtr result);

    class Awaiter {
    public:
        Awaiter(std::shared_ptr<ThumbnailRequest> request, std::stop_token cancellation)
            : m_request(std::move(request))
            , m_cancellation(std::move(cancellation)) {}
        bool await_ready();
        void await_suspend(std::coroutine_handle<> handle);
        ThumbnailPtr await_resume() const { return m_value; }

    private:
        std::shared_ptr<ThumbnailRequest> m_request;
        std::stop_token m_cancellation;
        std::uint64_t m_waiter = 0;
        ThumbnailPtr m_value;
        std::unique_ptr<std::stop_callback<std::function<void()>>> m_onCancel;
    };

    // The thumbnail, or null as soon as `cancellation` is requested.
    Awaiter wait(std::stop_token cancellation) {
        return Awaiter(shared_from_this(), std::move(cancellation));
    }

private:
    struct Waiter {
        std::coroutine_handle<> handle;
        ThumbnailPtr *slot;
    };

    void leave(std::uint64_t waiter);
    // Cancels the library request once nobody waits for it any more.
    void abandonIfUnwanted();

    QPointer<QObject> m_actorContext;
    Abandoned m_abandoned;
    std::stop_source m_libraryStop;
    std::map<std::uint64_t, Waiter> m_waiters;
    std::uint64_t m_nextWaiter = 1;
    std::optional<ThumbnailPtr> m_result;
};

} // namespace orsenta
