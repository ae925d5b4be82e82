// SPDX-License-Identifier: MIT
#pragma once
// The listing player: steps through the listing in the listing box character
// by character, hands every command pair to the output and waits between
// commands as the delay bytes say. One tick sends every command up to the
// next delay, then asks the timer for the tick after that delay.
//
// Ticks are scheduled against the moment the previous delay should have
// ended, not against the moment the tick ran, so neither the tick's own time
// nor the timer's lateness adds up over a long piece.

#include <cstdint>
#include <string>

#include "playback/player_clock.h"
#include "playback/player_output.h"
#include "playback/player_view.h"

namespace tonvell::playback {

class ListingPlayer {
public:
    // The decoder's states between and within ticks; between ticks it is
    // ExpectCommand or HoldingCommand. A tick decodes while the state is below
    // HoldingCommand.
    enum class State {
        ExpectCommand = 0,  // a command byte, a delay byte or the end byte
        ExpectParameter = 1,
        AfterDelayByte = 2,   // a second delay byte or the command after a delay
        HoldingCommand = 3,   // a one-byte delay runs; SavedByte is the next command
        TwoByteDelaySet = 4,  // only within the tick that set it
    };
    // The timer's interval at start and after Stop, in milliseconds.
    static constexpr int kFirstIntervalMs = 10;
    static constexpr int kIntervalAfterStopMs = 1;

    // The owner of timer calls Tick when it fires.
    ListingPlayer(PlayerView& view, PlayerOutput& output, PlayerTimer& timer,
                  MonotonicClock& clock);

    void Play();    // "Play"
    void Stop();    // "Stop"
    void Rewind();  // "| <--", the end of the listing, and every conversion first
    void Tick();    // Timer1
    // A click or key in the listing box: the cursor goes to the caret's line
    // while the player is idle.
    void CursorFromCaret();

    bool Playing() const { return playing_; }
    int LineIndex() const { return lineIndex_; }
    // The line of the last command sent since Play: the one sounding now.
    // -1 before the first.
    int SoundingLine() const { return soundingLine_; }
    int CharPos() const { return charPos_; }
    const std::string& LineText() const { return lineText_; }
    State ParseState() const { return state_; }
    std::uint8_t SavedByte() const { return savedByte_; }
    int DelayAccumulator() const { return delay_; }
    // The timer's interval: the length of the delay being waited, in ms.
    int IntervalMs() const { return intervalMs_; }
    // When the next tick is due, on the player's clock.
    PlayerTime NextTickDue() const { return due_; }

private:
    enum class Step { Continue, Ended };
    void RunTick();
    Step DecodeByte(std::uint8_t value);
    Step SendCurrentPair(std::uint8_t second);
    Step AdvanceCursor();
    void SetDelayInterval();

    PlayerView& view_;
    PlayerOutput& output_;
    PlayerTimer& timer_;
    MonotonicClock& clock_;

    bool playing_ = false;
    bool inTick_ = false;
    int lineIndex_ = 0;
    int soundingLine_ = -1;
    int charPos_ = 1;
    std::string lineText_;
    State state_ = State::ExpectCommand;
    std::uint8_t savedByte_ = 0;
    std::uint8_t first_ = 0;
    int delay_ = 0;
    int intervalMs_ = kFirstIntervalMs;
    PlayerTime tickTime_{};  // when the running tick was due
    PlayerTime due_{};
};

}  // namespace tonvell::playback
