#pragma once
// Playback without a window and without waiting: the listing player and the
// sound output port run exactly as in the window, on a virtual clock that
// jumps to each tick's due time. The command line renders WAV files this
// way, so what it writes is what "Play" would send.

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The lines of a listing as the listing box holds them: CR LF, LF and CR
// each end a line, and a last line that is empty is not counted.
std::vector<std::string> ListingLines(std::string_view text);

struct OfflinePlayback {
    int commandPairs = 0;   // pairs the player sent to the port, tempo commands included
    PlayerTime end{};       // when playback stopped (the clock started at 0)
    bool cutShort = false;  // keepGoing asked to stop before the end
    std::vector<std::string> messages;  // message boxes the port or the player showed
};

// Plays lines from the first line to the end on device 0 of backend, with
// instrument as the instrument box's text and time unit 15 ms at the start,
// as a first "Play" after start-up would. Messages reach the device at the
// clock's time. keepGoing is asked before every tick.
OfflinePlayback PlayOffline(
    const std::vector<std::string>& lines, const std::string& instrument, MidiBackend& backend,
    VirtualClock& clock, const std::function<bool()>& keepGoing = [] { return true; });

}  // namespace tonvell::playback
