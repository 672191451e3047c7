// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview sheet: plays one video of the library over the main window, on black, with play
// and pause (Space), a position slider with exact seeking, the elapsed time and the length, mute,
// and a close button (Escape). While the library prepares the player it shows a spinner; when it
// cannot, "Preview unavailable" and why.

#include "model/videoitem.h"

#include <QCoroTask>
#include <QDialog>

#include <memory>
#include <optional>
#include <stop_token>

class QAbstractButton;
class QLabel;
class QMediaPlayer;
class QSlider;
class QStackedWidget;
class QToolButton;
class QVideoWidget;

namespace orsenta {

class EdgeBar;
class EmptyStateView;
class PhotoLibraryService;
class PlaybackObserver;
struct PreviewPlayer;

class VideoPreviewView : public QDialog {
    Q_OBJECT
public:
    enum class State { loading, playing, failed };

    VideoPreviewView(std::shared_ptr<PhotoLibraryService> service, VideoItem item,
                     QWidget *parent = nullptr);
    ~VideoPreviewView() override;

    const VideoItem &item() const { return m_item; }
    // Shows another record; a new identifier starts a new load and cancels the running one.
    void setItem(VideoItem item);

    State state() const;
    QMediaPlayer *player() const { return m_player.get(); }
    double duration() const { return m_duration; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    double playhead() const { return m_playhead; }
    bool isPlaying() const { return m_isPlaying; }
    bool isMuted() const { return m_isMuted; }
    bool isScrubbing() const { return m_isScrubbing; }

    QString titleText() const;
    QString subtitleText() const;
    QString loadingText() const;
    QString elapsedText() const;
    QString durationText() const;
    EmptyStateView *failure() const { return m_failure; }
    QAbstractButton *closeButton() const;
    QAbstractButton *playButton() const;
    QAbstractButton *muteButton() const;
    QSlider *positionSlider() const { return m_slider; }
    // Null while no player is shown.
    PlaybackObserver *observer() const { return m_observer; }

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void startLoading();
    QCoro::Task<> load(std::stop_token cancellation);
    void showPlayer(PreviewPlayer made);
    void showFailure(const QString &message);
    void releasePlayer();
    void seekToPlayhead();
    void setPlayhead(double seconds);
    void setPlaying(bool playing);
    void setMuted(bool muted);
    void renderHeader();
    void renderPicture();
    void renderControls();
    void renderPosition();

    const std::shared_ptr<PhotoLibraryService> m_service;
    VideoItem m_item;
    std::stop_source m_loading;

    std::unique_ptr<QMediaPlayer> m_player;
    double m_duration = 0;
    std::optional<QString> m_errorMessage;
    double m_playhead = 0;
    bool m_isPlaying = false;
    bool m_isMuted = false;
    bool m_isScrubbing = false;
    PlaybackObserver *m_observer = nullptr;
    bool m_movingSlider = false; // the slider is being set from the playhead, not by the user

    QLabel *m_title = nullptr;
    QLabel *m_subtitle = nullptr;
    QToolButton *m_close = nullptr;
    QStackedWidget *m_picture = nullptr;
    QLabel *m_loadingLabel = nullptr;
    QVideoWidget *m_video = nullptr;
    EmptyStateView *m_failure = nullptr;
    EdgeBar *m_controls = nullptr;
    QToolButton *m_play = nullptr;
    QLabel *m_elapsed = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_length = nullptr;
    QToolButton *m_mute = nullptr;
};

} // namespace orsenta
