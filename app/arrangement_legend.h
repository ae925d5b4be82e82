// SPDX-License-Identifier: MIT
#pragma once
// The legend of the arrangement picture, outside the scrolled area: a swatch
// for every way the picture draws a note.

#include <QWidget>

namespace tonvell::app {

class ArrangementLegend final : public QWidget {
    Q_OBJECT
public:
    explicit ArrangementLegend(QWidget* parent = nullptr);
    // The entries' texts, in order.
    QStringList Entries() const;
};

}  // namespace tonvell::app
