// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A borderless button drawn as a link in the accent colour, optionally led by a symbol: the
// sidebar's "Clear filters", "Select Extra Copies" and its "All dates" back control.

#include "symbols.h"

#include <QAbstractButton>

#include <optional>

namespace orsenta {

class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LinkButton(const QString &text, QWidget *parent = nullptr);
    void setLeadingSymbol(Symbol symbol);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int symbolSize() const;
    std::optional<Symbol> m_symbol;
};

} // namespace orsenta
