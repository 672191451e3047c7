// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small indeterminate progress indicator: an arc that turns while the widget is visible.

#include <QTimer>
#include <QWidget>

namespace orsenta {

class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(int diameter = 14, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_diameter, m_diameter}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_diameter;
    int m_angle = 0;
    QTimer m_timer;
};

} // namespace orsenta
