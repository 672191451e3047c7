// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One selectable row of the sidebar: a year, a month, "All dates" or "Copies", with its
// count, its bytes, an optional bar showing its size among its siblings, and a chevron when
// choosing it opens a level below.

#include <QAbstractButton>
#include <QString>

#include <cstdint>
#include <optional>

namespace orsenta {

class NumberRoll;

class DateBucketRow : public QAbstractButton {
    Q_OBJECT
public:
    // The narrowest bar drawn for a present fraction, so that an empty bucket still shows one.
    static constexpr double minimumBarFraction = 0.012;
    static constexpr int indentation = 12;

    explicit DateBucketRow(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    QString title() const { return m_title; }
    void setCount(std::int64_t count);
    std::int64_t count() const { return m_count; }
    void setBytes(std::int64_t bytes);
    std::int64_t bytes() const { return m_bytes; }
    // Absent: no bar at all.
    void setFraction(std::optional<double> fraction);
    std::optional<double> fraction() const { return m_fraction; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setShowsDisclosure(bool shows);
    bool showsDisclosure() const { return m_showsDisclosure; }
    void setIndented(bool indented);
    bool isIndented() const { return m_indented; }

    // "12 videos", as the row shows it once its numbers have rolled to the values set.
    QString countText() const;
    // The count and bytes as drawn at this moment, mid-roll or not.
    QString shownCountText() const;
    QString shownBytesText() const;
    // Count, bytes and the selected state roll to new values together.
    NumberRoll *roll() const { return m_roll; }
    // The part of the row's width the bar covers: the fraction, at least the sliver; 0 when the
    // row has no bar.
    double barFraction() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void changed();

    QString m_title;
    std::int64_t m_count = 0;
    std::int64_t m_bytes = 0;
    std::optional<double> m_fraction;
    bool m_selected = false;
    bool m_showsDisclosure = false;
    bool m_indented = false;
    NumberRoll *m_roll = nullptr;
};

} // namespace orsenta
