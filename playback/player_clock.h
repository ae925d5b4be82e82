// SPDX-License-Identifier: MIT
#pragma once
// Time as the listing player sees it: a monotonic clock and a one-shot timer
// that wakes the player at a given moment of that clock. The window uses the
// steady clock and a precise Qt timer; tests and offline rendering use a
// virtual clock that jumps to each due time.

#include <chrono>
#include <thread>

namespace tonvell::playback {

// A moment on a monotonic clock, counted from that clock's own origin.
using PlayerTime = std::chrono::nanoseconds;

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual PlayerTime Now() const = 0;
    // Returns at moment (at once when it has passed). The player only waits
    // the last fraction of a millisecond that a timer cannot resolve.
    virtual void WaitUntil(PlayerTime moment) = 0;
};

// The system's steady clock.
class SteadyClock final : public MonotonicClock {
public:
    PlayerTime Now() const override { return std::chrono::steady_clock::now().time_since_epoch(); }
    // Sleeps to just before moment, then spins: waking from a sleep can
    // take longer than the little that is left.
    void WaitUntil(PlayerTime moment) override {
        const auto until = std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(moment));
        std::this_thread::sleep_until(until - kSpin);
        while (std::chrono::steady_clock::now() < until) {
        }
    }

private:
    static constexpr std::chrono::microseconds kSpin{150};
};

// The player's timer (Timer1 of the window). It fires once per Start: the
// player asks for the next tick at the end of every tick, so no tick can come
// while one is still running or while it shows a message.
class PlayerTimer {
public:
    virtual ~PlayerTimer() = default;
    // Asks for one tick at due (on the player's clock), replacing any earlier
    // request. A due time already past fires as soon as possible.
    virtual void Start(PlayerTime due) = 0;
    // Cancels the pending tick, if any.
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

}  // namespace tonvell::playback
