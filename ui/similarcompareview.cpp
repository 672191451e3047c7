// SPDX-License-Identifier: GPL-3.0-or-later
#include "similarcompareview.h"

#include "similarcopycolumn.h"
#include "symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace orsenta {

namespace {

constexpr int columnSpacing = 20;
constexpr int momentSteps = 1000;
// Columns the sheet opens wide enough for; more are reached by scrolling.
constexpr int columnsInView = 3;

} // namespace

SimilarCompareView::SimilarCompareView(std::shared_ptr<PhotoLibraryService> service,
                                       QWidget *parent)
    : QDialog(parent)
    , m_service(std::move(service)) {
    setWindowTitle(tr("Compare Similar Videos"));
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(true);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(12);

    m_scroll = new QScrollArea;
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Reached by Tab so that the arrow keys can scroll to copies beyond the edge.
    m_scroll->setFocusPolicy(Qt::TabFocus);
    m_scroll->setAccessibleName(tr("Copies"));
    auto *content = new QWidget;
    m_row = new QHBoxLayout(content);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(columnSpacing);
    m_row->addStretch(1);
    m_scroll->setWidget(content);
    layout->addWidget(m_scroll, 1);

    auto *controls = new QHBoxLayout;
    controls->setSpacing(10);
    m_play = new QPushButton;
    m_play->setAutoDefault(false);
    connect(m_play, &QPushButton::clicked, this, &SimilarCompareView::togglePlaying);
    // A button's own shortcut would be reset by each change of its text.
    auto *space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, m_play, &QAbstractButton::click);
    auto *moment = new QLabel(tr("Moment"));
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setRange(0, momentSteps);
    m_slider->setSingleStep(momentSteps / 100);
    m_slider->setPageStep(momentSteps / 10);
    m_slider->setAccessibleName(moment->text());
    moment->setBuddy(m_slider);
    m_percent = new QLabel;
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(tr("%1%").arg(100)));
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(m_slider, &QSlider::valueChanged, this, [this] {
        renderControls();
        if (!m_movingSlider)
            seekAll();
    });
    auto *close = new QPushButton(tr("Close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    controls->addWidget(m_play);
    controls->addWidget(moment);
    controls->addWidget(m_slider, 1);
    controls->addWidget(m_percent);
    controls->addSpacing(10);
    controls->addWidget(close);
    layout->addLayout(controls);

    renderControls();
}

QAbstractButton *SimilarCompareView::playButton() const {
    return m_play;
}

void SimilarCompareView::setGroup(std::vector<VideoItem> videos, SimilarKeeperReason reason) {
    clearColumns();
    for (std::size_t index = 0; index < videos.size(); ++index) {
        const auto kept = index == 0 ? std::optional(reason) : std::nullopt;
        auto *column = new SimilarCopyColumn(m_service, std::move(videos[index]), kept);
        connect(column, &SimilarCopyColumn::stateChanged, this,
                &SimilarCompareView::renderControls);
        connect(column, &SimilarCopyColumn::moved, this,
                [this, column] { followPlayback(column); });
        m_row->insertWidget(int(index), column);
        m_columns.push_back(column);
    }
    m_movingSlider = true;
    m_slider->setValue(0);
    m_movingSlider = false;
    emphasiseLargest();
    renderControls();

    // Tall enough for a whole column and the scroll bar that many columns bring.
    const int columnHeight = m_scroll->widget()->sizeHint().height();
    m_scroll->setMinimumHeight(columnHeight + m_scroll->horizontalScrollBar()->sizeHint().height());
    if (!isVisible()) {
        const int shown = std::clamp(columnCount(), 1, columnsInView);
        const QMargins margins = layout()->contentsMargins();
        resize(shown * SimilarCopyColumn::pictureSize.width() + (shown - 1) * columnSpacing
                   + margins.left() + margins.right(),
               sizeHint().height());
    }
}

void SimilarCompareView::done(int result) {
    // Nothing may play, or start playing, once the sheet has gone.
    for (SimilarCopyColumn *column : m_columns)
        column->release();
    QDialog::done(result);
}

void SimilarCompareView::clearColumns() {
    for (SimilarCopyColumn *column : m_columns)
        delete column;
    m_columns.clear();
}

// The larger size, the larger picture and the higher bit rate stand out, where the copies differ.
void SimilarCompareView::emphasiseLargest() {
    using Fact = SimilarCopyColumn::Fact;
    for (const Fact fact : {Fact::size, Fact::resolution, Fact::bitRate}) {
        std::vector<double> known;
        for (const SimilarCopyColumn *column : m_columns)
            if (const auto value = column->measure(fact))
                known.push_back(*value);
        const auto [least, most] = std::minmax_element(known.cbegin(), known.cend());
        const bool differ = known.size() >= 2 && *least < *most;
        for (SimilarCopyColumn *column : m_columns)
            column->setEmphasised(fact, differ && column->measure(fact) == *most);
    }
}

void SimilarCompareView::seekAll() {
    const double fraction = double(m_slider->value()) / momentSteps;
    for (SimilarCopyColumn *column : m_columns)
        column->seekToFraction(fraction);
}

bool SimilarCompareView::isPlaying() const {
    return std::any_of(m_columns.cbegin(), m_columns.cend(),
                       [](const SimilarCopyColumn *column) { return column->isPlaying(); });
}

void SimilarCompareView::togglePlaying() {
    const bool playing = isPlaying();
    const bool ended =
        std::any_of(m_columns.cbegin(), m_columns.cend(),
                    [](const SimilarCopyColumn *column) { return column->hasEnded(); });
    for (SimilarCopyColumn *column : m_columns)
        column->setPlaying(!playing);
    if (playing)
        return;
    // Every copy sets off from the same moment: the start again once one has reached its end.
    if (ended || m_slider->value() == m_slider->maximum()) {
        m_movingSlider = true;
        m_slider->setValue(0);
        m_movingSlider = false;
    }
    seekAll();
}

// The slider follows the first copy that plays, unless the user holds it.
void SimilarCompareView::followPlayback(const SimilarCopyColumn *column) {
    const auto leader = std::find_if(m_columns.cbegin(), m_columns.cend(),
                                     [](const SimilarCopyColumn *c) { return c->player(); });
    if (leader == m_columns.cend() || *leader != column || m_slider->isSliderDown())
        return;
    const auto fraction = column->fraction();
    if (!fraction)
        return;
    m_movingSlider = true;
    m_slider->setValue(int(std::lround(*fraction * momentSteps)));
    m_movingSlider = false;
}

void SimilarCompareView::renderControls() {
    const bool playing = isPlaying();
    m_play->setText(playing ? tr("Pause") : tr("Play"));
    m_play->setIcon(symbol(playing ? Symbol::pauseFill : Symbol::playFill));
    m_play->setEnabled(std::any_of(m_columns.cbegin(), m_columns.cend(),
                                   [](const SimilarCopyColumn *c) { return c->player(); }));
    m_slider->setEnabled(
        std::any_of(m_columns.cbegin(), m_columns.cend(),
                    [](const SimilarCopyColumn *c) { return !c->errorMessage(); }));
    m_percent->setText(tr("%1%").arg(QLocale().toString(m_slider->value() * 100 / momentSteps)));
}

} // namespace orsenta
