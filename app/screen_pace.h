// SPDX-License-Identifier: MIT
#pragma once
// The pace at which the window shows playback: once per frame of the screen
// it is on. Showing more often paints what nobody sees.

class QWidget;

namespace tonvell::app {

// Milliseconds between two frames of widget's screen (16 at 60 Hz), within
// 4 and 50.
int FrameIntervalMs(const QWidget& widget);

}  // namespace tonvell::app
