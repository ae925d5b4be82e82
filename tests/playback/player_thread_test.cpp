// SPDX-License-Identifier: MIT
// The listing player on its own thread, against recording outputs, while the
// test's thread plays the window: the steps keep their schedule however
// slowly the window paints; Stop silences at once, in a long delay and while
// the player waits for its message box; the position tells the window what
// each voice sounds.

#include "playback/player_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "playback/offline_playback.h"
#include "playback/recording_midi_backend.h"
#include "playback/sound_port.h"
#include "tests/support/playback_fakes.h"

namespace tonvell::test {
namespace {

using playback::MidiLogEntry;
using playback::MidiShortMessage;
using playback::PlaybackPosition;
using playback::PlayerThread;
using playback::RecordingMidiBackend;
using playback::SoundPort;
using playback::SteadyClock;
using std::chrono::steady_clock;
using WriteResult = playback::SerialLine::WriteResult;

// Tempo value 1 (2 ms units), then notes 10 ms apart on voice 0.
std::string NotesTenMsApart(int notes) {
    std::string listing = "DB 0Eh, 81h\n";
    for (int i = 0; i < notes; ++i) {
        listing += i % 2 ? "DB 51h, 80h\nDB 84h ;delay\n" : "DB 51h, F0h\nDB 84h ;delay\n";
    }
    return listing + "DB 00h\n";
}

// A note, then a pause of almost two seconds.
const char kLongPause[] = "DB 51h, F0h\nDB FFh ;delay\nDB 51h, 80h\nDB 00h\n";

std::vector<MidiShortMessage> AllNotesOff() {
    std::vector<MidiShortMessage> messages;
    for (std::uint8_t channel = 0; channel < 15; ++channel) {
        messages.push_back({static_cast<std::uint8_t>(0xB0 + channel), 0x7B, 0x00});
    }
    return messages;
}

class PlayerThreadTest : public ::testing::Test {
protected:
    PlayerThreadTest() {
        FakeDevices devices(serial, fakeClock, clock);
        serialDevices = devices.serial;
        midi = devices.midi;
        port = std::make_unique<SoundPort>(view, std::move(devices.backends));
        port->FillOutputList();
        view.instrument = "";  // no program changes in the log
    }

    void Start(const std::string& output, const std::string& listing,
               PlayerThread::MessageRequest request = {}) {
        player = std::make_unique<PlayerThread>(view, *port, clock, std::move(request));
        view.Choose(output);
        view.SetListing(listing);
        player->Rewind();
        player->Play();
    }

    // Waits for the player's thread to publish a change after since.
    void WaitForChange(std::uint64_t since) {
        while (player->Position().changes == since) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    SteadyClock clock;
    FakeClock fakeClock;
    FakeView view;
    SerialRecord serial;
    FakeSerialBackend* serialDevices = nullptr;
    RecordingMidiBackend* midi = nullptr;
    std::unique_ptr<SoundPort> port;
    std::unique_ptr<PlayerThread> player;
};

// The window paints for 60 ms at a time, six notes' worth, until the piece is
// over. The notes go out in the listing's order, none before its time from the
// first tick, and notes keep going out while the window paints.
TEST_F(PlayerThreadTest, StepsKeepTheirScheduleWhileTheWindowPaintsSlowly) {
    constexpr int kNotes = 30;
    playback::MemoryView ideal;
    ideal.SetListing(NotesTenMsApart(kNotes));
    ideal.instrument = "";
    playback::VirtualClock virtualClock;
    RecordingMidiBackend idealDevice({"ideal"}, virtualClock);
    playback::PlayOffline(ideal, idealDevice, virtualClock);

    Start("Synth", NotesTenMsApart(kNotes));
    const playback::PlayerTime firstTick = player->NextTickDue();
    std::vector<std::pair<steady_clock::time_point, steady_clock::time_point>> paints;
    while (player->Position().playing) {
        const steady_clock::time_point start = steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        paints.emplace_back(start, steady_clock::now());
    }

    std::vector<MidiLogEntry> expected;
    for (const MidiLogEntry& entry : idealDevice.Log()) {
        if (entry.kind == MidiLogEntry::Kind::Message) {
            expected.push_back(entry);
        }
    }
    std::vector<MidiLogEntry> sent;
    for (const MidiLogEntry& entry : midi->Log()) {
        if (entry.kind == MidiLogEntry::Kind::Message) {
            sent.push_back(entry);
        }
    }
    ASSERT_EQ(sent.size(), expected.size());
    const playback::PlayerTime idealFirst = expected.front().time;
    int duringPaint = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].message, expected[i].message) << "message " << i;
        EXPECT_GE(sent[i].time - firstTick, expected[i].time - idealFirst) << "message " << i;
        const auto at = steady_clock::time_point(
            std::chrono::duration_cast<steady_clock::duration>(sent[i].time));
        for (const auto& [start, end] : paints) {
            duringPaint += start < at && at < end ? 1 : 0;
        }
    }
    EXPECT_GT(duringPaint, 0);
}

TEST_F(PlayerThreadTest, StopInALongDelaySilencesAtOnce) {
    Start("Synth", kLongPause);
    while (midi->Messages().size() < 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    player->Stop();
    // Before Stop returned: the voices silenced and the device closed.
    const std::vector<MidiLogEntry> log = midi->Log();
    std::vector<MidiShortMessage> expected = {{0xB0, 0x78, 0x00}, {0x90, 0x3C, 0x70}};
    for (const MidiShortMessage& off : AllNotesOff()) {
        expected.push_back(off);
    }
    EXPECT_EQ(midi->Messages(), expected);
    EXPECT_EQ(log.back().kind, MidiLogEntry::Kind::Closed);
    EXPECT_FALSE(player->Playing());
    const PlaybackPosition stopped = player->Position();
    EXPECT_EQ(stopped.controls, playback::PlayerControls{});
    EXPECT_EQ(stopped.voices, (std::array<std::uint8_t, 6>{}));
    // Play resumes with the held byte: the note's end comes first.
    midi->ClearLog();
    player->Play();
    while (player->Playing()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::vector<MidiShortMessage> resumed = midi->Messages();
    ASSERT_GE(resumed.size(), 2u);
    EXPECT_EQ(resumed[1], (MidiShortMessage{0x90, 0x3C, 0x00}));
    EXPECT_EQ(player->Position().label, "Line: 1");
}

// The window takes its time over the "----" box; the user stops meanwhile.
// Stop neither waits for the box nor lets another pair out after the silence.
TEST_F(PlayerThreadTest, StopWhileTheBoxIsOpenSilencesAtOnce) {
    std::mutex boxMutex;
    std::function<void()> closeBox;
    std::vector<std::string> asked;
    serialDevices->writeResults = {WriteResult::Failed};
    Start("/dev/ttyUSB0", "DB 51h, F0h\nDB 52h, F0h\nDB 53h, F0h\nDB 85h\nDB 54h, F0h\nDB 00h\n",
          [&](const std::string& text, std::function<void()> closed) {
              const std::lock_guard lock(boxMutex);
              asked.push_back(text);
              closeBox = std::move(closed);
          });
    const auto boxOpen = [&] {
        const std::lock_guard lock(boxMutex);
        return static_cast<bool>(closeBox);
    };
    while (!boxOpen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    player->Stop();
    EXPECT_FALSE(player->Playing());
    EXPECT_EQ(serial.closed, 1);
    // The tick that waits for the box says so when it ends.
    const std::uint64_t stopped = player->Position().changes;
    {
        const std::lock_guard lock(boxMutex);
        EXPECT_EQ(asked, std::vector<std::string>{"----"});
        closeBox();
    }
    WaitForChange(stopped);
    // The failed pair is not repeated and nothing follows the silence.
    EXPECT_EQ(serial.bytes, (std::vector<std::uint8_t>{0x11, 0x80, 0x11, 0x81, 0x11, 0x82, 0x11,
                                                       0x83, 0x11, 0x84, 0x11, 0x85}));
}

TEST_F(PlayerThreadTest, FailedWriteShowsTheBoxAndPlaybackGoesOn) {
    serialDevices->writeResults = {WriteResult::Failed};
    std::atomic<int> boxes = 0;
    Start("/dev/ttyUSB0", "DB 51h, F0h\nDB 52h, F0h\nDB 85h\nDB 53h, F0h\nDB 00h\n",
          [&](const std::string& text, std::function<void()> closed) {
              EXPECT_EQ(text, "----");
              ++boxes;
              std::thread(std::move(closed)).detach();  // closed from elsewhere, later
          });
    while (player->Playing()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(boxes, 1);
    std::vector<std::uint8_t> bytes = serial.bytes;
    ASSERT_GE(bytes.size(), 12u);
    bytes.resize(bytes.size() - 12);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x52, 0xF0, 0x53, 0xF0}));
}

// Stepped by hand: after each tick the position names the line, the label
// and the note each voice sounds.
TEST_F(PlayerThreadTest, PositionTellsWhatEachVoiceSounds) {
    player = std::make_unique<PlayerThread>(view, *port, clock);
    player->HoldTicks();
    view.Choose("Synth");
    view.SetListing("DB 51h, F0h\nDB 55h, F1h\nDB 85h\nDB 51h, 80h\nDB 85h\nDB 52h, F2h\nDB 00h\n");
    player->Rewind();
    player->Play();
    PlaybackPosition position = player->Position();
    EXPECT_TRUE(position.playing);
    EXPECT_EQ(position.controls,
              (playback::PlayerControls{
                  .play = false, .stop = true, .output = false, .instrument = false}));

    ASSERT_TRUE(player->StepTick());
    position = player->Position();
    EXPECT_EQ(position.voices, (std::array<std::uint8_t, 6>{0x51, 0x55, 0, 0, 0, 0}));
    EXPECT_EQ(position.soundingLine, 1);
    EXPECT_EQ(position.label, "Line: 3");

    ASSERT_TRUE(player->StepTick());
    position = player->Position();
    EXPECT_EQ(position.voices, (std::array<std::uint8_t, 6>{0, 0x55, 0, 0, 0, 0}));
    EXPECT_EQ(position.soundingLine, 3);

    ASSERT_TRUE(player->StepTick());
    position = player->Position();
    EXPECT_FALSE(position.playing);
    EXPECT_EQ(position.voices, (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(position.label, "Line: 1");
    EXPECT_FALSE(player->StepTick());
}

}  // namespace
}  // namespace tonvell::test
