// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Making the player of one video for a view that shows it: the preview sheet and each column of
// the compare view.

#include "library/photolibraryservice.h"
#include "library/previewplayer.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <stop_token>

namespace orsenta {

// Hands the player, or why there is none, to `view` through `showPlayer` or `showFailure`,
// unless the view went away or the load was cancelled meanwhile: only `view` is trusted after
// the suspension.
inline QCoro::Task<> loadPreviewPlayer(QPointer<QObject> view,
                                       std::shared_ptr<PhotoLibraryService> service,
                                       QString identifier, std::stop_token cancellation,
                                       std::function<void(PreviewPlayer)> showPlayer,
                                       std::function<void(const QString &)> showFailure) {
    const auto current = [&] { return view && !cancellation.stop_requested(); };
    try {
        PreviewPlayer made = co_await service->makePreviewPlayer(identifier, cancellation);
        if (current())
            showPlayer(std::move(made));
    } catch (const PreviewCancelled &) {
    } catch (const PhotoLibraryError &error) {
        if (current())
            showFailure(error.errorDescription());
    } catch (const std::exception &error) {
        if (current())
            showFailure(QString::fromUtf8(error.what()));
    }
}

} // namespace orsenta
