// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One copy in the comparison of similar videos: whether it is kept, its name and its facts, under
// its picture, which shows the thumbnail until the library has made a muted player for it, paused,
// or else why it cannot be played.

#include "model/similarvideos.h"
#include "model/videoitem.h"

#include <QCoroTask>
#include <QSize>
#include <QWidget>

#include <memory>
#include <optional>
#include <stop_token>

class QLabel;
class QMediaPlayer;
class QStackedWidget;
class QVideoWidget;

namespace orsenta {

class PhotoLibraryService;
struct PreviewPlayer;

class SimilarCopyColumn : public QWidget {
    Q_OBJECT
public:
    enum class Fact { mark, name, size, resolution, codec, bitRate, duration, date, Count };

    static constexpr QSize pictureSize{320, 180};

    // `kept` says why this copy stays; none for an extra copy. The player starts loading at once.
    SimilarCopyColumn(std::shared_ptr<PhotoLibraryService> service, VideoItem video,
                      std::optional<SimilarKeeperReason> kept, QWidget *parent = nullptr);
    ~SimilarCopyColumn() override;

    const VideoItem &video() const { return m_video; }
    QLabel *factLabel(Fact fact) const;
    // The number a fact is compared by across the copies (bytes, pixels, bits a second); none
    // when unknown or when the fact is not compared.
    std::optional<double> measure(Fact fact) const;
    void setEmphasised(Fact fact, bool emphasised);

    // Null until the player is ready, and again once released.
    QMediaPlayer *player() const;
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    bool isPlaying() const;
    // Whether the player played to the end and stopped there.
    bool hasEnded() const;
    // Where the player stands, as a fraction of the copy's length; none without a player.
    std::optional<double> fraction() const;

    // Shows `fraction` of the copy's own length, now or as soon as the player is ready.
    void seekToFraction(double fraction);
    void setPlaying(bool playing);
    // Stops loading and lets the player go: nothing plays, or starts playing, afterwards.
    void release();

Q_SIGNALS:
    // The player became ready or failed, or it started or stopped playing.
    void stateChanged();
    // The player's position moved.
    void moved();

private:
    QCoro::Task<> loadPlayer(std::stop_token cancellation);
    QCoro::Task<> loadThumbnail(std::stop_token cancellation);
    void showPlayer(PreviewPlayer made);
    void showFailure(const QString &message);

    const std::shared_ptr<PhotoLibraryService> m_service;
    const VideoItem m_video;
    std::stop_source m_loading;
    std::unique_ptr<QMediaPlayer> m_player;
    double m_duration = 0;
    double m_fraction = 0;
    std::optional<QString> m_errorMessage;

    QStackedWidget *m_picture = nullptr;
    QLabel *m_still = nullptr;
    QVideoWidget *m_videoWidget = nullptr;
    QLabel *m_failure = nullptr;
    QLabel *m_facts[int(Fact::Count)] = {};
};

} // namespace orsenta
