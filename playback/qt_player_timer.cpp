// SPDX-License-Identifier: MIT
#include "playback/qt_player_timer.h"

#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdint>

namespace tonvell::playback {

QtPlayerTimer::QtPlayerTimer(QTimer& timer, const MonotonicClock& clock)
    : timer_(timer), clock_(clock) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
}

void QtPlayerTimer::Start(PlayerTime due) {
    // Rounded down: the timer wakes at most a millisecond early and the
    // player waits out the rest; rounding up would make every tick late.
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - clock_.Now());
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, INT_MAX)));
}

void QtPlayerTimer::Stop() {
    timer_.stop();
}

bool QtPlayerTimer::Active() const {
    return timer_.isActive();
}

}  // namespace tonvell::playback
