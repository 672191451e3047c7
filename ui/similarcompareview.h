// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shows the copies of one group of similar videos side by side, so that the user can see what
// each copy is before choosing what to move to the Trash. Moves nothing itself.

#include "model/similarvideos.h"
#include "model/videoitem.h"

#include <QDialog>

#include <memory>
#include <vector>

class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;

namespace orsenta {

class PhotoLibraryService;
class SimilarCopyColumn;

class SimilarCompareView : public QDialog {
    Q_OBJECT
public:
    explicit SimilarCompareView(std::shared_ptr<PhotoLibraryService> service,
                                QWidget *parent = nullptr);

    // The keeper first, as SimilarGroup lists them; `reason` says why it is kept.
    void setGroup(std::vector<VideoItem> videos, SimilarKeeperReason reason);

    int columnCount() const { return int(m_columns.size()); }
    SimilarCopyColumn *column(int index) const { return m_columns.at(std::size_t(index)); }
    // The moment every copy shows, in thousandths of each copy's own length.
    QSlider *momentSlider() const { return m_slider; }
    QAbstractButton *playButton() const;

    void done(int result) override;

private:
    void clearColumns();
    void emphasiseLargest();
    void seekAll();
    void togglePlaying();
    bool isPlaying() const;
    void followPlayback(const SimilarCopyColumn *column);
    void renderControls();

    const std::shared_ptr<PhotoLibraryService> m_service;
    std::vector<SimilarCopyColumn *> m_columns;
    bool m_movingSlider = false; // the slider is being set from playback, not by the user

    QScrollArea *m_scroll = nullptr;
    QHBoxLayout *m_row = nullptr;
    QPushButton *m_play = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_percent = nullptr;
};

} // namespace orsenta
