// SPDX-License-Identifier: GPL-3.0-or-later
#include "detailviews.h"

#include "fonts.h"
#include "model/displaytext.h"
#include "model/statistics.h"
#include "spinner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace orsenta {

namespace {

// Texts filed under the "MainWindow" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)
};

int plural(std::int64_t count) {
    return int(std::clamp<std::int64_t>(count, 0, INT_MAX));
}

constexpr int symbolPixels = 38;

} // namespace

// --- EmptyStateView ---------------------------------------------------------------------------

EmptyStateView::EmptyStateView(int messageWidth, QWidget *parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(32, 32, 32, 32);
    outer->addStretch(1);
    auto *column = new QVBoxLayout;
    column->setSpacing(10);
    m_symbol = new QLabel;
    m_symbol->setAlignment(Qt::AlignCenter);
    m_title = new QLabel;
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFont(scaledFont(font(), 1.35, QFont::DemiBold));
    m_message = new QLabel;
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    // A fixed width lets the wrapped lines take the height they need.
    m_message->setFixedWidth(messageWidth);
    m_message->setForegroundRole(QPalette::PlaceholderText);
    m_button = new QPushButton;
    column->addWidget(m_symbol, 0, Qt::AlignHCenter);
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    column->addWidget(m_message, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(m_button, 0, Qt::AlignHCenter);
    outer->addLayout(column);
    outer->addStretch(1);
}

void EmptyStateView::show(Symbol symbol, const QString &title, const QString &message,
                          const QString &buttonText) {
    m_shown = symbol;
    QColor tertiary = palette().color(QPalette::WindowText);
    tertiary.setAlphaF(0.35f);
    QPixmap pixmap(symbolPixels * devicePixelRatio(), symbolPixels * devicePixelRatio());
    pixmap.setDevicePixelRatio(devicePixelRatio());
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paintSymbol(painter, symbol, QRectF(0, 0, symbolPixels, symbolPixels), tertiary);
    }
    m_symbol->setPixmap(pixmap);
    m_title->setText(title);
    m_message->setText(message);
    // A centred item of a layout is given its one-line height; the wrapped lines need more.
    m_message->setFixedHeight(m_message->heightForWidth(m_message->width()));
    m_button->setText(buttonText);
    m_button->setVisible(!buttonText.isEmpty());
}

QString EmptyStateView::title() const {
    return m_title->text();
}

QString EmptyStateView::message() const {
    return m_message->text();
}

// --- ScanningBox ------------------------------------------------------------------------------

ScanningBox::ScanningBox(QWidget *parent)
    : QWidget(parent) {
    auto *outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto *box = new EdgeBar(Qt::Edge(0));
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(24, 24, 24, 24);
    row->setSpacing(10);
    row->addWidget(new Spinner(18));
    m_label = new QLabel(Text::tr("Scanning your video folders…"));
    row->addWidget(m_label);
    outer->addWidget(box, 0, Qt::AlignCenter);
    outer->addStretch(1);
}

QString ScanningBox::text() const {
    return m_label->text();
}

// --- EdgeBar ----------------------------------------------------------------------------------

EdgeBar::EdgeBar(Qt::Edge dividerEdge, QWidget *parent)
    : QFrame(parent)
    , m_dividerEdge(dividerEdge) {}

void EdgeBar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A material between the window and the table rows, in either theme.
    const QColor window = palette().color(QPalette::Window);
    const QColor base = palette().color(QPalette::Base);
    const QColor fill =
        QColor::fromRgbF((window.redF() + base.redF()) / 2, (window.greenF() + base.greenF()) / 2,
                         (window.blueF() + base.blueF()) / 2);
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.15f);
    if (m_dividerEdge == Qt::Edge(0)) {
        painter.setPen(QPen(line, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        return;
    }
    painter.fillRect(rect(), fill);
    painter.setPen(QPen(line, 1));
    if (m_dividerEdge == Qt::TopEdge)
        painter.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
    else
        painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
}

// --- ChangeBanner -----------------------------------------------------------------------------

ChangeBanner::ChangeBanner(QWidget *parent)
    : EdgeBar(Qt::BottomEdge, parent) {
    setFixedHeight(34);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 1);
    row->setSpacing(8);
    auto *icon = new QLabel;
    const int size = QFontMetrics(font()).height();
    QPixmap pixmap(size * devicePixelRatio(), size * devicePixelRatio());
    pixmap.setDevicePixelRatio(devicePixelRatio());
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paintSymbol(painter, Symbol::arrowTriangle2Circlepath, QRectF(0, 0, size, size),
                    palette().color(QPalette::Highlight));
    }
    icon->setPixmap(pixmap);
    m_label = new QLabel(Text::tr("Your video folders changed."));
    m_rescan = new QPushButton(Text::tr("Rescan"));
    m_rescan->setFont(scaledFont(font(), 0.9, QFont::Normal));
    row->addWidget(icon);
    row->addWidget(m_label);
    row->addStretch(1);
    row->addSpacing(8);
    row->addWidget(m_rescan);
}

QString ChangeBanner::text() const {
    return m_label->text();
}

// --- ConditionBanner --------------------------------------------------------------------------

ConditionBanner::ConditionBanner(QWidget *parent)
    : EdgeBar(Qt::BottomEdge, parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 8, 14, 9);
    row->setSpacing(8);
    auto *icon = new QLabel;
    const int size = QFontMetrics(font()).height();
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    m_label = new QLabel;
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(icon);
    row->addWidget(m_label, 1);
    setVisible(false);
}

void ConditionBanner::setText(const QString &text) {
    m_label->setText(text);
    setVisible(!text.isEmpty());
}

QString ConditionBanner::text() const {
    return m_label->text();
}

// --- SelectionBar -----------------------------------------------------------------------------

SelectionBar::SelectionBar(QWidget *parent)
    : EdgeBar(Qt::TopEdge, parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(12);
    auto *column = new QVBoxLayout;
    column->setSpacing(2);
    m_count = new QLabel;
    m_count->setFont(scaledFont(font(), 1.0, QFont::DemiBold));
    m_detail = new QLabel;
    m_detail->setFont(scaledFont(font(), 0.86, QFont::Normal));
    m_detail->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(m_count);
    column->addWidget(m_detail);
    row->addLayout(column);
    row->addStretch(1);
    row->addSpacing(12);
    m_deselect = new QPushButton(Text::tr("Deselect"));
    m_delete = new QPushButton(Text::tr("Move to Trash"));
    m_delete->setIcon(drawnSymbol(Symbol::trash));
    m_delete->setDefault(false);
    for (QPushButton *button : {m_deselect, m_delete})
        button->setMinimumHeight(30);
    row->addWidget(m_deselect);
    row->addWidget(m_delete);
    tintDeleteButton();
}

void SelectionBar::setStats(const SelectionStats &stats) {
    m_count->setText(Text::tr("%Ln video(s) selected", nullptr, plural(stats.count)));
    QString detail = Text::tr("Frees %1 once the Trash is emptied").arg(sizeText(stats.freedBytes));
    if (stats.unknownSizeCount >= 1)
        detail +=
            QStringLiteral(" \u00b7 ")
            + Text::tr("%Ln video(s) with unknown size", nullptr, plural(stats.unknownSizeCount));
    m_detail->setText(detail);
}

QString SelectionBar::countText() const {
    return m_count->text();
}

QString SelectionBar::detailText() const {
    return m_detail->text();
}

void SelectionBar::changeEvent(QEvent *event) {
    EdgeBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        tintDeleteButton();
}

void SelectionBar::tintDeleteButton() {
    // Red with white text in both themes: the one destructive control of the window.
    QPalette red = palette();
    const QColor fill(0xd0, 0x31, 0x2d);
    red.setColor(QPalette::Button, fill);
    red.setColor(QPalette::ButtonText, Qt::white);
    red.setColor(QPalette::Disabled, QPalette::Button, fill.lighter(140));
    red.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(255, 255, 255, 170));
    m_delete->setPalette(red);
    QIcon icon;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paintSymbol(painter, Symbol::trash, QRectF(2, 2, 28, 28), Qt::white);
    }
    m_delete->setIcon(QIcon(pixmap));
}

} // namespace orsenta
