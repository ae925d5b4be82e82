// SPDX-License-Identifier: MIT
#pragma once
// Playback without a window and without waiting: the listing player and the
// sound output port run exactly as in the window, on a virtual clock that
// jumps to each tick's due time. The command line renders WAV files this
// way, so what it writes is what "Play" would send.

#include <algorithm>
#include <functional>
#include <vector>

#include "playback/memory_view.h"
#include "playback/midi_output.h"
#include "playback/player_clock.h"

namespace tonvell::playback {

// A clock that stands still until the player's timer fires.
class VirtualClock final : public MonotonicClock {
public:
    PlayerTime Now() const override { return now_; }
    void WaitUntil(PlayerTime moment) override { AdvanceTo(moment); }
    void AdvanceTo(PlayerTime moment) { now_ = std::max(now_, moment); }

private:
    PlayerTime now_{};
};

struct OfflinePlayback {
    int commandPairs = 0;   // pairs the player sent to the port, tempo commands included
    int notePairs = 0;      // the pairs that were no tempo command
    PlayerTime end{};       // when playback stopped (the clock started at 0)
    bool cutShort = false;  // keepGoing asked to stop before the end
};

// Plays the listing of view from its first line to the end on device 0 of
// backend, with view's instrument text and the time unit 15 ms at the start,
// as a first "Play" after start-up would. The output list of view becomes
// "none" and that device, which is chosen; message boxes go to its messages.
// Messages reach the device at the clock's time. keepGoing is asked before
// every tick.
OfflinePlayback PlayOffline(
    MemoryView& view, MidiBackend& backend, VirtualClock& clock,
    const std::function<bool()>& keepGoing = [] { return true; });

// What PlayOffline would make of view's listing, found without a sound: how
// long it plays and how many pairs it sends. Quick even for a listing that
// plays for days, so its length is known before any sound is computed.
OfflinePlayback MeasureOffline(const MemoryView& view);

// When playback of view's listing from its top reaches each line, in
// seconds from its first tick (the first tick plays at 0): where the window
// says playback stands, and how long the whole takes.
struct ListingTimeline {
    std::vector<double> lineSeconds;  // by line index; lines not reached are left out
    double totalSeconds = 0;
    // The time of line, or of the last line before it that playback reaches.
    double AtLine(int line) const;
};
ListingTimeline MeasureTimeline(const MemoryView& view);

}  // namespace tonvell::playback
