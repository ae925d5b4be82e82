// SPDX-License-Identifier: MIT
#include "app/screen_pace.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace tonvell::app {

namespace {

constexpr double kUsualRefreshHz = 60;

}  // namespace

int FrameIntervalMs(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    const double hz =
        screen != nullptr && screen->refreshRate() > 1 ? screen->refreshRate() : kUsualRefreshHz;
    return std::clamp(static_cast<int>(std::lround(1000.0 / hz)), 4, 50);
}

}  // namespace tonvell::app
