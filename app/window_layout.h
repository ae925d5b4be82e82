// SPDX-License-Identifier: MIT
#pragma once
// The window's layout as a table: each control with its rectangle at the
// design size and how its edges follow the window when it is made larger.
// A window smaller than the design size keeps the design layout and scrolls
// it, so that every control can still be reached on a small screen.

#include <QRect>
#include <QSize>
#include <vector>

class QScrollBar;
class QWidget;

namespace tonvell::app {

// How a control follows a window larger than its design size: each edge moves
// by its share of the extra width (left, right) or height (top, bottom). A
// control with equal shares for two edges keeps its size on that axis and
// moves; 0 and 1 make it grow with the whole extra.
struct Growth {
    float left = 0;
    float right = 0;
    float top = 0;
    float bottom = 0;
};

// A control's place: its design rectangle in its parent, and its growth.
// Controls inside a group follow the growth of their group.
struct Placement {
    QWidget* control = nullptr;
    QRect design;
    Growth growth;
};

// design moved and stretched by growth for a parent extra pixels larger than
// at its design size.
QRect GrownRect(const QRect& design, const Growth& growth, QSize extra);

// The size a window opens at: wanted, cut to the screen's available area
// (titleBar pixels are left for the title bar) and at least minimum. A cut
// on one axis adds room for the scroll bar that axis then needs (scrollBar
// pixels) on the other, where the area has it.
QSize OpeningSize(QSize wanted, QSize minimum, const QRect& area, int titleBar, int scrollBar);

// Places a window's controls by a table of placements, for the window's
// current size; below the design size on an axis the design layout scrolls
// on that axis with a scroll bar at the window's edge.
class WindowLayout {
public:
    WindowLayout(QWidget& window, QSize design);

    // Sets the table; parents come before the controls inside them.
    void SetTable(std::vector<Placement> table);
    // Adds rows to the table (a panel added later), and places them.
    void Add(const std::vector<Placement>& rows);

    QSize DesignSize() const { return design_; }
    // Places every control of the table for the window's size and scroll
    // position, and shows the scroll bars that size needs.
    void Arrange();
    // Scrolls so that control (in the window, at any depth) is in view.
    void EnsureVisible(const QWidget* control);
    // How far the content is scrolled: 0, 0 when it is not.
    QPoint ScrollPosition() const;
    const QScrollBar* HorizontalBar() const { return horizontal_; }
    const QScrollBar* VerticalBar() const { return vertical_; }

private:
    // The area the controls are laid out in: the window less the scroll
    // bars it shows, but never less than the design size.
    QSize ContentSize(bool& horizontalBar, bool& verticalBar) const;

    QWidget& window_;
    QSize design_;
    std::vector<Placement> table_;
    QScrollBar* horizontal_;
    QScrollBar* vertical_;
};

}  // namespace tonvell::app
