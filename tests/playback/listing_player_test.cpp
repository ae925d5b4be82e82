// SPDX-License-Identifier: MIT
// The listing player on a fake window, clock and timer: the worked listing's
// labels, messages and times; resuming after Stop; the caret's line; delays
// of one, two and three bytes; the end byte and the end of the listing;
// tempo; the schedule that does not drift; failed and lost serial writes.

#include "playback/listing_player.h"

#include <gtest/gtest.h>

#include "playback/recording_midi_backend.h"
#include "playback/sound_port.h"
#include "tests/support/playback_fakes.h"

namespace tonvell::test {
namespace {

using playback::ListingPlayer;
using playback::MidiLogEntry;
using playback::MidiShortMessage;
using playback::PlayerControls;
using playback::RecordingMidiBackend;
using playback::SoundPort;
using WriteResult = playback::SerialLine::WriteResult;

// The worked example: heading, tempo, one note, a delay of 32 units, the
// note's end and the end byte.
const char kWorkedListing[] =
    "; \n; x.mid\n; \nDWL 8 ;size in bytes\n; \nDB 0Eh, 87h\nDB 51h, F0h\nDB 9Fh ;delay\n"
    "DB 51h, 80h\nDB 00h ;end of block\n";

constexpr PlayerControls kPlaying{
    .play = false, .stop = true, .output = false, .instrument = false};
constexpr PlayerControls kIdle{};

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() {
        FakeDevices devices(serial, clock, clock);
        serialDevices = devices.serial;
        midi = devices.midi;
        port = std::make_unique<SoundPort>(view, std::move(devices.backends));
        port->FillOutputList();
        player = std::make_unique<ListingPlayer>(view, *port, timer, clock);
        view.instrument = "";  // no program changes in the logs
    }

    // Lets the timer fire, late by lateness.
    void Fire(milliseconds lateness = milliseconds(0)) {
        ASSERT_TRUE(timer.active);
        timer.active = false;
        clock.now = std::max(clock.now, timer.due + lateness);
        player->Tick();
    }
    // Fires until playback ends; returns the number of ticks.
    int RunToEnd() {
        int ticks = 0;
        while (timer.active && ticks < 10000) {
            Fire();
            ++ticks;
        }
        return ticks;
    }
    void PlayOn(const std::string& output, const std::string& listing) {
        view.Choose(output);
        view.SetListing(listing);
        player->Rewind();
        view.labels.clear();
        player->Play();
    }
    // The messages sent and their times from Play, in ms.
    std::vector<std::pair<MidiShortMessage, double>> TimedMessages() const {
        std::vector<std::pair<MidiShortMessage, double>> out;
        for (const MidiLogEntry& entry : midi->Log()) {
            if (entry.kind == MidiLogEntry::Kind::Message) {
                out.emplace_back(entry.message, Ms(entry.time));
            }
        }
        return out;
    }
    double Ms(PlayerTime time) const {
        return std::chrono::duration<double, std::milli>(time - playedAt).count();
    }

    FakeClock clock;
    FakeTimer timer;
    FakeView view;
    SerialRecord serial;
    FakeSerialBackend* serialDevices = nullptr;
    RecordingMidiBackend* midi = nullptr;
    std::unique_ptr<SoundPort> port;
    std::unique_ptr<ListingPlayer> player;
    PlayerTime playedAt = clock.now;
};

TEST_F(PlayerTest, WorkedListingOnMidiDevice) {
    PlayOn("Synth", kWorkedListing);
    EXPECT_EQ(view.controls, kPlaying);
    EXPECT_TRUE(timer.active);
    EXPECT_EQ(Ms(timer.due), 10.0);  // the design's first interval

    Fire();
    EXPECT_EQ(view.labels, (std::vector<std::string>{"Line: 1", "Line: 2", "Line: 3", "Line: 4",
                                                     "Line: 5", "Line: 6", "Line: 7", "Line: 8"}));
    EXPECT_EQ(player->ParseState(), ListingPlayer::State::HoldingCommand);
    EXPECT_EQ(player->SavedByte(), 0x51);
    EXPECT_EQ(player->LineIndex(), 8);
    EXPECT_EQ(player->CharPos(), 7);  // the comma after "51h"
    EXPECT_EQ(player->IntervalMs(), 480);
    EXPECT_EQ(Ms(timer.due), 490.0);

    view.labels.clear();
    Fire();
    EXPECT_EQ(view.labels, (std::vector<std::string>{"Line: 9", "Line: 1"}));
    EXPECT_FALSE(timer.active);
    EXPECT_EQ(view.controls, kIdle);
    EXPECT_EQ(player->LineIndex(), 0);

    std::vector<std::pair<MidiShortMessage, double>> expected = {{{0xB0, 0x78, 0x00}, 10.0},
                                                                 {{0x90, 0x3C, 0x70}, 10.0},
                                                                 {{0xB0, 0x78, 0x00}, 490.0},
                                                                 {{0x90, 0x3C, 0x00}, 490.0}};
    for (std::uint8_t channel = 0; channel < 15; ++channel) {
        expected.push_back({{static_cast<std::uint8_t>(0xB0 + channel), 0x7B, 0x00}, 490.0});
    }
    EXPECT_EQ(TimedMessages(), expected);
    EXPECT_EQ(midi->Log().back().kind, MidiLogEntry::Kind::Closed);
    EXPECT_EQ(port->TimeUnitMs(), 15);
}

TEST_F(PlayerTest, WorkedListingOnSerialPort) {
    PlayOn("/dev/ttyUSB0", kWorkedListing);
    RunToEnd();
    EXPECT_EQ(serial.bytes,
              (std::vector<std::uint8_t>{0x51, 0xF0, 0x51, 0x80, 0x11, 0x80, 0x11, 0x81, 0x11, 0x82,
                                         0x11, 0x83, 0x11, 0x84, 0x11, 0x85}));
    ASSERT_GE(serial.times.size(), 2u);
    EXPECT_EQ(Ms(serial.times[0]), 10.0);
    EXPECT_EQ(Ms(serial.times[1]), 490.0);
    EXPECT_EQ(serial.closed, 1);
}

TEST_F(PlayerTest, StopThenPlayResumesAtTheSameCharacterWithTheHeldByte) {
    PlayOn("Synth", kWorkedListing);
    Fire();
    player->Stop();
    EXPECT_EQ(view.controls, kIdle);
    EXPECT_FALSE(timer.active);
    EXPECT_EQ(player->IntervalMs(), 1);
    const int line = player->LineIndex();
    const int pos = player->CharPos();
    EXPECT_EQ(player->ParseState(), ListingPlayer::State::HoldingCommand);
    EXPECT_EQ(player->SavedByte(), 0x51);

    midi->ClearLog();
    player->Play();
    EXPECT_EQ(player->LineIndex(), line);
    EXPECT_EQ(player->CharPos(), pos);
    const PlayerTime playAgain = clock.now;
    EXPECT_EQ(timer.due - playAgain, milliseconds(1));
    Fire();
    const std::vector<MidiShortMessage> sent = midi->Messages();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], (MidiShortMessage{0xB0, 0x78, 0x00}));
    EXPECT_EQ(sent[1], (MidiShortMessage{0x90, 0x3C, 0x00}));
}

TEST_F(PlayerTest, RewindWhilePlayingStopsAndGoesToLineOne) {
    PlayOn("Synth", kWorkedListing);
    Fire();
    view.labels.clear();
    player->Rewind();
    EXPECT_FALSE(player->Playing());
    EXPECT_EQ(view.controls, kIdle);
    EXPECT_EQ(midi->Log().back().kind, MidiLogEntry::Kind::Closed);
    EXPECT_EQ(player->LineIndex(), 0);
    EXPECT_EQ(player->CharPos(), 1);
    EXPECT_EQ(player->ParseState(), ListingPlayer::State::ExpectCommand);
    EXPECT_EQ(view.labels, std::vector<std::string>{"Line: 1"});
    // A tick that was already on its way does nothing.
    player->Tick();
    EXPECT_EQ(player->LineIndex(), 0);
}

struct CaretCase {
    const char* name;
    int caret;  // each line break counting two
    int line;   // from 0
};

class Caret : public PlayerTest, public ::testing::WithParamInterface<CaretCase> {};

// Lines "DB 1h" (5), "" (0), "; c" (3): line 0 spans 0..5, line 1 starts at
// 7, line 2 at 9.
TEST_P(Caret, ChoosesTheLineItStandsIn) {
    view.SetListing("DB 1h\n\n; c\n");
    view.caret = GetParam().caret;
    player->CursorFromCaret();
    EXPECT_EQ(player->LineIndex(), GetParam().line);
    EXPECT_EQ(player->CharPos(), 1);
    EXPECT_EQ(player->ParseState(), ListingPlayer::State::ExpectCommand);
    EXPECT_EQ(view.labels.back(), "Line: " + std::to_string(GetParam().line + 1));
}

INSTANTIATE_TEST_SUITE_P(Positions, Caret,
                         ::testing::Values(CaretCase{"Start", 0, 0}, CaretCase{"EndOfFirst", 5, 0},
                                           CaretCase{"EmptyLine", 7, 1},
                                           CaretCase{"ThirdStart", 9, 2},
                                           CaretCase{"ThirdEnd", 12, 2},
                                           CaretCase{"AfterLastBreak", 14, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, CaretOnTheFifthLineStartsPlayThere) {
    view.SetListing(kWorkedListing);
    view.caret = (2 + 2) + (7 + 2) + (2 + 2) + (20 + 2);  // the start of line 5
    player->CursorFromCaret();
    EXPECT_EQ(view.labels.back(), "Line: 5");
    EXPECT_EQ(player->LineIndex(), 4);
    view.Choose("Synth");
    player->Play();
    EXPECT_EQ(player->LineText(), "; ");
}

TEST_F(PlayerTest, CaretIsIgnoredWhilePlaying) {
    PlayOn("Synth", kWorkedListing);
    Fire();
    const int line = player->LineIndex();
    view.caret = 0;
    player->CursorFromCaret();
    EXPECT_EQ(player->LineIndex(), line);
}

TEST_F(PlayerTest, EmptyListingOpensMovesPastTheLineAndStops) {
    PlayOn("Synth", "");
    EXPECT_EQ(player->LineText(), " ");
    EXPECT_EQ(RunToEnd(), 1);
    EXPECT_EQ(view.labels, (std::vector<std::string>{"Line: 1", "Line: 1"}));
    EXPECT_FALSE(player->Playing());
    EXPECT_EQ(midi->Log().front().kind, MidiLogEntry::Kind::Opened);
    EXPECT_EQ(midi->Log().back().kind, MidiLogEntry::Kind::Closed);
}

struct DelayCase {
    const char* name;
    std::string listing;
    std::vector<int> intervals;       // the interval set by each tick that did not end
    std::vector<std::uint8_t> bytes;  // on the serial line, silencing excluded
    std::vector<std::string> lastLabels;
};

class Delays : public PlayerTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(Delays, IntervalsAndBytes) {
    PlayOn("/dev/ttyUSB0", GetParam().listing);
    std::vector<int> intervals;
    for (int ticks = 0; timer.active && ticks < 100; ++ticks) {
        Fire();
        if (timer.active) {
            intervals.push_back(player->IntervalMs());
        }
    }
    EXPECT_EQ(intervals, GetParam().intervals);
    std::vector<std::uint8_t> bytes = serial.bytes;
    ASSERT_GE(bytes.size(), 12u);
    bytes.resize(bytes.size() - 12);
    EXPECT_EQ(bytes, GetParam().bytes);
    ASSERT_GE(view.labels.size(), GetParam().lastLabels.size());
    EXPECT_EQ(std::vector<std::string>(
                  view.labels.end() - static_cast<std::ptrdiff_t>(GetParam().lastLabels.size()),
                  view.labels.end()),
              GetParam().lastLabels);
}

INSTANTIATE_TEST_SUITE_P(
    Listings, Delays,
    ::testing::Values(
        DelayCase{"OneByte", "DB 85h ;delay\nDB 51h, 82h\nDB 00h\n", {90}, {0x51, 0x82}, {}},
        DelayCase{
            "TwoBytes", "DB 80h, 81h ;delay\nDB 51h, 82h\nDB 00h\n", {129 * 15}, {0x51, 0x82}, {}},
        DelayCase{"ThreeBytesAreTwoDelays",
                  "DB 80h, 80h, 81h ;delay\nDB 51h, 82h\nDB 00h\n",
                  {15, 30},
                  {0x51, 0x82},
                  {}},
        DelayCase{"ChordInOneTick",
                  "DB 51h, F0h\nDB 55h, F1h\nDB 58h, F2h\nDB 9Fh\nDB 00h\n",
                  {},
                  {0x51, 0xF0, 0x55, 0xF1, 0x58, 0xF2},
                  {"Line: 4", "Line: 1"}},
        DelayCase{
            "UpperCaseHMarksNothing", "DB 51H, F0H\nDB 52h, F0h\nDB 00h\n", {}, {0x52, 0xF0}, {}},
        DelayCase{"EndByteRightAfterDelay",
                  "DB 51h, F0h\nDB 85h, 00h\nDB 52h, F0h\n",
                  {},
                  {0x51, 0xF0},
                  {"Line: 1", "Line: 1"}},
        DelayCase{"NoEndByte",
                  "DB 51h, F0h\nDB 85h\nDB 52h, F0h\n",
                  {90},
                  {0x51, 0xF0, 0x52, 0xF0},
                  {"Line: 3", "Line: 1"}},
        DelayCase{"CommentHidesBytes", "DB 51h, F0h ; 52h, F0h\nDB 00h\n", {}, {0x51, 0xF0}, {}},
        DelayCase{"NonDigitsCountZero", "DB 5xh, Fzh\nDB 00h\n", {}, {0x50, 0xF0}, {}},
        DelayCase{"DigitAtLineStart", "1h, 81h\nDB 00h\n", {}, {0x01, 0x81}, {}},
        DelayCase{"TempoGovernsTheNextDelay",
                  "DB 0Eh, 80h\nDB 89h\nDB 51h, 82h\nDB 00h\n",
                  {10},
                  {0x51, 0x82},
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, TempoStaysAfterStopForTheNextPlayback) {
    PlayOn("Synth", "DB 0Eh, FFh\nDB 00h\n");
    RunToEnd();
    EXPECT_EQ(port->TimeUnitMs(), 283);
    PlayOn("Synth", "DB 81h\nDB 51h, 82h\nDB 00h\n");
    Fire();
    EXPECT_EQ(player->IntervalMs(), 2 * 283);
}

TEST_F(PlayerTest, LatenessDoesNotAddUp) {
    // A piece of many short delays, each tick late by up to 9 ms: every tick
    // is still due where the listing puts it.
    std::string listing;
    for (int i = 0; i < 50; ++i) {
        listing += "DB 51h, F0h\nDB 82h\n";
    }
    listing += "DB 00h\n";
    PlayOn("Synth", listing);
    PlayerTime ideal = playedAt + milliseconds(10);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(timer.due, ideal) << "tick " << i;
        Fire(milliseconds(i % 10));
        ideal += milliseconds(3 * 15);
    }
}

TEST_F(PlayerTest, AStallLongerThanATenthOfASecondRestartsTheSchedule) {
    std::string listing;
    for (int i = 0; i < 3; ++i) {
        listing += "DB 51h, F0h\nDB 82h\n";
    }
    PlayOn("Synth", listing + "DB 00h\n");
    Fire();
    Fire(milliseconds(500));
    EXPECT_EQ(timer.due, clock.now + milliseconds(45));
}

TEST_F(PlayerTest, EarlyWakeIsWaitedOut) {
    PlayOn("Synth", kWorkedListing);
    clock.now = timer.due - std::chrono::microseconds(700);
    timer.active = false;
    player->Tick();
    EXPECT_EQ(clock.now, playedAt + milliseconds(10));
    EXPECT_EQ(Ms(midi->Log()[1].time), 10.0);
}

TEST_F(PlayerTest, FailedWriteShowsABoxAndPlaybackGoesOn) {
    PlayOn("/dev/ttyUSB0", "DB 51h, F0h\nDB 52h, F0h\nDB 85h\nDB 53h, F0h\nDB 00h\n");
    serialDevices->writeResults = {WriteResult::Failed};
    bool timerArmedDuringBox = true;
    view.onMessage = [&] {
        timerArmedDuringBox = timer.active;
        clock.now += milliseconds(3000);  // the user reads the box
        player->Tick();                   // a tick delivered meanwhile does nothing
    };
    Fire();
    EXPECT_EQ(view.messages, std::vector<std::string>{"----"});
    EXPECT_FALSE(timerArmedDuringBox);
    EXPECT_TRUE(player->Playing());
    // The delay counts from when the box was closed.
    EXPECT_EQ(timer.due, clock.now + milliseconds(90));
    RunToEnd();
    std::vector<std::uint8_t> bytes = serial.bytes;
    bytes.resize(bytes.size() - 12);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x52, 0xF0, 0x53, 0xF0}));
}

TEST_F(PlayerTest, LostDeviceShowsOneBoxAndStops) {
    PlayOn("/dev/ttyUSB0", "DB 51h, F0h\nDB 52h, F0h\nDB 53h, F0h\nDB 85h\nDB 54h, F0h\n");
    serialDevices->writeResults = {WriteResult::Written, WriteResult::Lost};
    Fire();
    EXPECT_EQ(view.messages, std::vector<std::string>{"----"});
    EXPECT_FALSE(player->Playing());
    EXPECT_FALSE(timer.active);
    EXPECT_EQ(view.controls, kIdle);
    EXPECT_EQ(serial.bytes, (std::vector<std::uint8_t>{0x51, 0xF0}));
    EXPECT_EQ(serial.closed, 1);
}

TEST_F(PlayerTest, StopWhileTheBoxIsOpenEndsTheTick) {
    PlayOn("/dev/ttyUSB0", "DB 51h, F0h\nDB 52h, F0h\nDB 00h\n");
    serialDevices->writeResults = {WriteResult::Failed};
    view.onMessage = [&] { player->Stop(); };  // the window closes meanwhile
    Fire();
    EXPECT_FALSE(player->Playing());
    EXPECT_FALSE(timer.active);
    // Only the silencing bytes went out after the failed pair.
    EXPECT_EQ(serial.bytes.size(), 12u);
}

TEST_F(PlayerTest, OpenFailureChangesNothing) {
    serialDevices->openResult = playback::SerialBackend::OpenResult::BusyOrAbsent;
    PlayOn("/dev/ttyUSB0", kWorkedListing);
    EXPECT_FALSE(player->Playing());
    EXPECT_FALSE(timer.active);
    EXPECT_EQ(view.messages, std::vector<std::string>{"COM port is busy or absent."});
    EXPECT_EQ(view.controls, kIdle);
}

TEST_F(PlayerTest, NoneMovesTheCursorInTimeSilently) {
    PlayOn("none", kWorkedListing);
    EXPECT_EQ(RunToEnd(), 2);
    EXPECT_TRUE(midi->Log().empty());
    EXPECT_TRUE(serial.bytes.empty());
    EXPECT_EQ(view.labels.back(), "Line: 1");
}

}  // namespace
}  // namespace tonvell::test
