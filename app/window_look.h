// SPDX-License-Identifier: MIT
#pragma once
// How the window sits on the desktop: disabled captions that stay readable in
// any palette, and a place on the screen that keeps the window reachable.

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QSize>

namespace tonvell::app {

// The contrast ratio of two colours as sRGB luminances compare: 1 for equal
// colours, 21 for black on white.
double ContrastRatio(const QColor& a, const QColor& b);

// The contrast every disabled caption keeps against its background.
inline constexpr double kReadableContrast = 4.5;

// grey moved towards text just far enough to reach kReadableContrast against
// background: it stays a grey between the two where the palette allows.
QColor ReadableGrey(const QColor& grey, const QColor& text, const QColor& background);

// palette with its disabled text colours made readable against the
// backgrounds they are drawn on.
QPalette WithReadableDisabledText(QPalette palette);

// Where a window with a client area of client goes in the screen's available
// area: centred, and where it does not fit, from the area's top left corner,
// titleBar pixels down so that the title bar can still be grabbed.
QRect PlaceOnScreen(QSize client, const QRect& area, int titleBar);

}  // namespace tonvell::app
