// SPDX-License-Identifier: MIT
#pragma once
// The player's timer on a QTimer (the window's Timer1): one precise
// single-shot wait per tick, woken just before the due time; the player waits
// out the last fraction of a millisecond itself.

#include "playback/player_clock.h"

class QTimer;

namespace tonvell::playback {

class QtPlayerTimer final : public PlayerTimer {
public:
    // timer is not owned; its timeout goes to whoever calls the player's Tick.
    QtPlayerTimer(QTimer& timer, const MonotonicClock& clock);
    void Start(PlayerTime due) override;
    void Stop() override;
    bool Active() const override;

private:
    QTimer& timer_;
    const MonotonicClock& clock_;
};

}  // namespace tonvell::playback
