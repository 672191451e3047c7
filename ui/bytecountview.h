// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A byte count in large type that rolls to each new value: the sidebar's total size.

#include <QWidget>

#include <cstdint>

namespace orsenta {

class NumberRoll;

class ByteCountView : public QWidget {
    Q_OBJECT
public:
    explicit ByteCountView(QWidget *parent = nullptr);

    void setBytes(std::int64_t bytes);
    std::int64_t bytes() const { return m_bytes; }
    // The text once the roll has ended, and the text drawn at this moment.
    QString text() const;
    QString shownText() const;
    NumberRoll *roll() const { return m_roll; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::int64_t m_bytes = 0;
    NumberRoll *m_roll = nullptr;
};

} // namespace orsenta
