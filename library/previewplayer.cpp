// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewplayer.h"

#include "async/callbackawaiter.h"
#include "photolibraryservice.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QUrl>

#include <cmath>
#include <optional>

namespace orsenta {

namespace {

enum class Readiness { loaded, failed, cancelled };

// Waits on the player's thread until the player has read its source or failed to, or until the
// caller stops waiting.
QCoro::Task<Readiness> readiness(QMediaPlayer &player, std::stop_token cancellation) {
    QObject context; // ends the connections with the wait
    std::optional<std::stop_callback<std::function<void()>>> onStop;
    CallbackAwaiter<Readiness> ready([&](CallbackAwaiter<Readiness>::Resume resume) {
        const auto check = [&player, resume] {
            switch (player.mediaStatus()) {
            case QMediaPlayer::LoadedMedia:
            case QMediaPlayer::BufferingMedia:
            case QMediaPlayer::BufferedMedia:
            case QMediaPlayer::StalledMedia:
            case QMediaPlayer::EndOfMedia:
                resume(Readiness::loaded);
                break;
            case QMediaPlayer::InvalidMedia:
                resume(Readiness::failed);
                break;
            case QMediaPlayer::NoMedia:
            case QMediaPlayer::LoadingMedia:
                break;
            }
        };
        QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &context, check);
        QObject::connect(&player, &QMediaPlayer::errorOccurred, &context,
                         [resume] { resume(Readiness::failed); });
        onStop.emplace(cancellation, [resume] { resume(Readiness::cancelled); });
        check();
    });
    co_return co_await ready;
}

PhotoLibraryError playbackError(const QMediaPlayer &player) {
    const QString reason = player.errorString();
    const QString description =
        reason.isEmpty()
            ? QCoreApplication::translate("PreviewPlayer", "The video could not be played.")
            : QCoreApplication::translate("PreviewPlayer", "The video could not be played: %1")
                  .arg(reason);
    return PhotoLibraryError::operationFailed(platform::PlatformError{
        QStringLiteral("org.qt-project.QtMultimedia"), std::int64_t(player.error()), description});
}

} // namespace

double previewSeconds(qint64 playerMilliseconds, double librarySeconds) {
    if (playerMilliseconds > 0)
        return double(playerMilliseconds) / 1000.0;
    if (std::isfinite(librarySeconds) && librarySeconds > 0)
        return librarySeconds;
    return 0;
}

QCoro::Task<PreviewPlayer> PhotoLibraryService::makePreviewPlayer(QString localIdentifier,
                                                                  std::stop_token cancellation) {
    const std::shared_ptr<PhotoLibraryService> self = shared_from_this();
    const PreviewAssetPtr box = co_await self->requestPreviewAsset(std::move(localIdentifier));
    if (cancellation.stop_requested())
        throw PreviewCancelled();
    const platform::MediaAsset &asset = box->asset();
    if (!asset.playable || !asset.fileBacked || asset.filePath.isEmpty())
        throw PhotoLibraryError::assetUnavailable();

    // Local files need no network buffering; GStreamer's own queues keep playback smooth.
    PreviewPlayer made;
    made.player = std::make_unique<QMediaPlayer>();
    made.player->setAudioOutput(new QAudioOutput(made.player.get()));
    made.player->setSource(QUrl::fromLocalFile(asset.filePath));
    QMediaPlayer &player = *made.player;
    switch (co_await readiness(player, cancellation)) {
    case Readiness::cancelled:
        throw PreviewCancelled();
    case Readiness::failed:
        throw playbackError(player);
    case Readiness::loaded:
        break;
    }
    made.duration = previewSeconds(player.duration(), asset.duration);
    co_return made;
}

} // namespace orsenta
