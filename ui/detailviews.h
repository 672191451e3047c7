// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pieces around the table in the detail area: the placeholder drawn instead of an empty
// table, the banner that reports outside changes of the library, and the selection bar.

#include "symbols.h"

#include <QFrame>
#include <QWidget>

#include <cstdint>

class QLabel;
class QPushButton;

namespace orsenta {

struct SelectionStats;

// A symbol, a headline, an explanation and one button, over the window's background. The
// explanation is plain text, wrapped to `messageWidth`; with no button text there is no button.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyStateView(int messageWidth = 320, QWidget *parent = nullptr);
    void show(Symbol symbol, const QString &title, const QString &message,
              const QString &buttonText = {});
    QString title() const;
    QString message() const;
    QPushButton *button() const { return m_button; }

private:
    QLabel *m_symbol = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_button = nullptr;
    Symbol m_shown = Symbol::videoSlash;
};

// A rounded box with a spinner and "Scanning your video folders…", while the first videos are
// on their way.
class ScanningBox : public QWidget {
    Q_OBJECT
public:
    explicit ScanningBox(QWidget *parent = nullptr);
    QString text() const;

private:
    QLabel *m_label = nullptr;
};

// A bar along one edge of the detail area, on a slightly raised background with a divider
// towards the table.
class EdgeBar : public QFrame {
    Q_OBJECT
public:
    explicit EdgeBar(Qt::Edge dividerEdge, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::Edge m_dividerEdge;
};

class ChangeBanner : public EdgeBar {
    Q_OBJECT
public:
    explicit ChangeBanner(QWidget *parent = nullptr);
    QPushButton *rescanButton() const { return m_rescan; }
    QString text() const;

private:
    QLabel *m_label = nullptr;
    QPushButton *m_rescan = nullptr;
};

// What the last scan could not read or remember (folders, the index), above the table.
class ConditionBanner : public EdgeBar {
    Q_OBJECT
public:
    explicit ConditionBanner(QWidget *parent = nullptr);
    // Shown while there is something to say.
    void setText(const QString &text);
    QString text() const;

private:
    QLabel *m_label = nullptr;
};

class SelectionBar : public EdgeBar {
    Q_OBJECT
public:
    explicit SelectionBar(QWidget *parent = nullptr);
    void setStats(const SelectionStats &stats);
    QString countText() const;
    QString detailText() const;
    QPushButton *deselectButton() const { return m_deselect; }
    QPushButton *deleteButton() const { return m_delete; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void tintDeleteButton();

    QLabel *m_count = nullptr;
    QLabel *m_detail = nullptr;
    QPushButton *m_deselect = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace orsenta
