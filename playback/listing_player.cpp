// SPDX-License-Identifier: MIT
#include "playback/listing_player.h"

#include <string>

#include "convert/byte_text.h"
#include "convert/zum_protocol.h"

namespace tonvell::playback {

namespace {

using std::chrono::milliseconds;

// A timer wakes the player to within a millisecond; it waits out the rest
// itself, but never longer than this (a tick called early runs at once).
constexpr milliseconds kLongestWait{2};
// A tick later than this (the machine stalled, a message box was open)
// restarts the schedule from now instead of hurrying to catch up.
constexpr milliseconds kLongestCatchUp{100};

const char kWriteFailed[] = "----";

std::string LineLabel(int number) {
    return "Line: " + std::to_string(number);
}

// The byte written by the two characters before position pos (from 1) of
// text; positions before the start of the line count as code 0.
std::uint8_t ByteBefore(const std::string& text, int pos) {
    const auto digit = [&text](int at) {
        return at >= 1 ? HexDigitValue[static_cast<unsigned char>(
                             text[static_cast<std::size_t>(at - 1)])]
                       : HexDigitValue[0];
    };
    return static_cast<std::uint8_t>(16 * digit(pos - 2) + digit(pos - 1));
}

}  // namespace

ListingPlayer::ListingPlayer(PlayerView& view, PlayerOutput& output, PlayerTimer& timer,
                             MonotonicClock& clock)
    : view_(view), output_(output), timer_(timer), clock_(clock) {}

void ListingPlayer::Play() {
    if (playing_) {
        return;
    }
    if (output_.OpenSoundPort() != PortOpenResult::Ready) {
        return;
    }
    playing_ = true;
    soundingLine_ = -1;
    view_.SetControls({.play = false, .stop = true, .output = false, .instrument = false});
    lineText_ = view_.Line(lineIndex_);
    if (lineText_.empty()) {
        lineText_ = " ";
    }
    due_ = clock_.Now() + milliseconds(intervalMs_);
    timer_.Start(due_);
}

void ListingPlayer::Stop() {
    if (!playing_) {
        return;
    }
    output_.SilenceSoundPort();
    playing_ = false;
    view_.SetControls({.play = true, .stop = false, .output = true, .instrument = true});
    output_.CloseSoundPort();
    intervalMs_ = kIntervalAfterStopMs;
    timer_.Stop();
}

void ListingPlayer::Rewind() {
    if (playing_) {
        Stop();
    }
    lineIndex_ = 0;
    charPos_ = 1;
    state_ = State::ExpectCommand;
    lineText_ = view_.Line(0);
    view_.SetLineLabel(LineLabel(1));
}

void ListingPlayer::CursorFromCaret() {
    if (playing_) {
        return;
    }
    const int caret = view_.CaretPosition();
    int line = 0;
    // Each line break counts two characters, as CR LF does.
    for (long long sum = 0; sum <= caret; ++line) {
        sum += static_cast<long long>(view_.Line(line).size()) + 2;
    }
    lineIndex_ = line - 1;
    charPos_ = 1;
    state_ = State::ExpectCommand;
    lineText_ = view_.Line(lineIndex_);
    view_.SetLineLabel(LineLabel(lineIndex_ + 1));
}

void ListingPlayer::Tick() {
    // Not while stopped (a tick already on its way), and never within a tick
    // (a message box runs the event loop): no byte is decoded twice.
    if (!playing_ || inTick_) {
        return;
    }
    struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{inTick_ = true};
    RunTick();
}

void ListingPlayer::RunTick() {
    const PlayerTime now = clock_.Now();
    if (due_ > now && due_ - now <= kLongestWait) {
        clock_.WaitUntil(due_);
    }
    tickTime_ = now - due_ > kLongestCatchUp ? clock_.Now() : due_;

    delay_ = 0;
    if (state_ == State::HoldingCommand) {
        first_ = savedByte_;
        state_ = State::ExpectParameter;
    }
    while (state_ < State::HoldingCommand) {
        if (charPos_ <= static_cast<int>(lineText_.size())) {
            const char c = lineText_[static_cast<std::size_t>(charPos_ - 1)];
            if (c == 'h') {
                if (DecodeByte(ByteBefore(lineText_, charPos_)) == Step::Ended) {
                    return;
                }
            } else if (c == ';') {
                charPos_ = static_cast<int>(lineText_.size());  // the rest is a comment
            }
        }
        if (AdvanceCursor() == Step::Ended) {
            return;
        }
    }
    if (state_ == State::TwoByteDelaySet) {
        state_ = State::ExpectCommand;
    }
    due_ = tickTime_ + milliseconds(intervalMs_);
    timer_.Start(due_);
}

ListingPlayer::Step ListingPlayer::DecodeByte(std::uint8_t value) {
    switch (state_) {
        case State::ExpectCommand:
            if (zum::IsDelayByte(value)) {
                delay_ = zum::AddDelayByte(0, value, 0);
                state_ = State::AfterDelayByte;
            } else if (value == zum::kEndByte) {
                Rewind();
                return Step::Ended;
            } else {
                first_ = value;
                state_ = State::ExpectParameter;
            }
            return Step::Continue;
        case State::ExpectParameter:
            state_ = State::ExpectCommand;
            return SendCurrentPair(value);
        case State::AfterDelayByte:
            if (zum::IsDelayByte(value)) {
                delay_ = zum::AddDelayByte(delay_, value, 1);
                SetDelayInterval();
                state_ = State::TwoByteDelaySet;
            } else {
                SetDelayInterval();
                if (value == zum::kEndByte) {
                    Rewind();
                    return Step::Ended;
                }
                savedByte_ = value;
                state_ = State::HoldingCommand;
            }
            return Step::Continue;
        default:
            return Step::Continue;
    }
}

ListingPlayer::Step ListingPlayer::SendCurrentPair(std::uint8_t second) {
    const SendResult result = output_.SendPair(first_, second);
    soundingLine_ = lineIndex_;
    if (result == SendResult::Sent) {
        return Step::Continue;
    }
    // No tick runs while the box is open: the timer is only started again at
    // the end of this tick. The time the box stood open is not made up for.
    view_.ShowMessage(kWriteFailed);
    if (!playing_) {
        return Step::Ended;  // stopped meanwhile (the window was closed)
    }
    if (result == SendResult::DeviceLost) {
        Stop();
        return Step::Ended;
    }
    tickTime_ = clock_.Now();
    return Step::Continue;
}

void ListingPlayer::SetDelayInterval() {
    intervalMs_ = zum::DelayUnits(delay_) * output_.TimeUnitMs();
}

ListingPlayer::Step ListingPlayer::AdvanceCursor() {
    ++charPos_;
    if (charPos_ > static_cast<int>(lineText_.size())) {
        charPos_ = 1;
        ++lineIndex_;
        lineText_ = view_.Line(lineIndex_);
        // The label names the line just finished.
        view_.SetLineLabel(LineLabel(lineIndex_));
        if (lineText_.empty()) {
            lineText_ = " ";
        }
    }
    if (lineIndex_ >= view_.LineCount()) {
        Rewind();
        return Step::Ended;
    }
    return Step::Continue;
}

}  // namespace tonvell::playback
