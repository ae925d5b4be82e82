// SPDX-License-Identifier: MIT
// The offline player's length, found without a sound, and the sample
// positions of its clock's times, far beyond any tune's length included.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/arrangement.h"
#include "convert/byte_text.h"
#include "convert/conversion.h"
#include "convert/midi_status.h"
#include "convert/zum_protocol.h"
#include "playback/listing_player.h"
#include "playback/memory_view.h"
#include "playback/offline_playback.h"
#include "playback/recording_midi_backend.h"
#include "playback/sample_frames.h"
#include "tests/support/midi_builder.h"

namespace tonvell::playback {
namespace {

using namespace std::chrono_literals;

TEST(SampleFrames, RoundedToTheNearestAtAnyTime) {
    const struct {
        std::chrono::nanoseconds at;
        std::int64_t frame;
    } cases[] = {
        {0ns, 0},
        {11'337ns, 0},  // just under half a frame (11 337.87 ns)
        {11'338ns, 1},
        {1s, 44'100},
        {1s + 11'338ns, 44'101},
        {58h, 9'208'080'000},
        // Past 58.1 hours, nanoseconds times 44100 no longer fit 64 bits.
        {59h, 9'366'840'000},
        {59h + 500ms, 9'366'862'050},
        {std::chrono::nanoseconds::max(), 406'750'706'825'296},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at.count());
        EXPECT_EQ(FrameAt(c.at), c.frame);
    }
}

std::string Listing(const std::string& tempo, const std::string& lines) {
    return "; \r\n; x.mid\r\n; \r\nDWL 8 ;size in bytes\r\n; \r\nDB 0Eh, " + tempo + "\r\n" +
           lines + "DB 00h ;end of block\r\n";
}

std::string Repeated(const std::string& line, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += line;
    return lines;
}

// The length is the one playing gives, with the time unit the tempo
// commands set, also for listings that play for days.
TEST(MeasureOffline, GivesTheLengthAndPairsOfPlaying) {
    const struct {
        const char* what;
        std::string listing;
        int notePairs;
        std::chrono::nanoseconds atLeast;
    } cases[] = {
        {"one note", Listing("87h", "DB 51h, F0h\r\nDB 9Fh\r\nDB 51h, 80h\r\n"), 2, 100ms},
        {"46 longest delays, slowest unit", Listing("FFh", Repeated("DB FFh, FFh\r\n", 46)), 0,
         59h},
        {"nothing", "", 0, 0ns},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryView view;
        view.SetListing(c.listing);
        const OfflinePlayback measured = MeasureOffline(view);
        EXPECT_TRUE(view.messages.empty());  // the view was not played
        EXPECT_EQ(measured.notePairs, c.notePairs);
        EXPECT_GE(measured.end, c.atLeast);

        VirtualClock clock;
        RecordingMidiBackend recorder({"device"}, clock);
        const OfflinePlayback played = PlayOffline(view, recorder, clock);
        EXPECT_EQ(played.end, measured.end);
        EXPECT_EQ(played.commandPairs, measured.commandPairs);
        EXPECT_EQ(played.notePairs, measured.notePairs);
    }
}

// When each note-on reached the device, as the listing of view plays offline.
std::vector<PlayerTime> NoteOnTimes(MemoryView& view) {
    VirtualClock clock;
    RecordingMidiBackend recorder({"device"}, clock);
    PlayOffline(view, recorder, clock);
    std::vector<PlayerTime> times;
    for (const MidiLogEntry& entry : recorder.Log()) {
        if (entry.kind == MidiLogEntry::Kind::Message &&
            midi::StatusKind(entry.message.status) == midi::kNoteOn && entry.message.data2 != 0) {
            times.push_back(entry.time);
        }
    }
    return times;
}

// The player waits for a run of delay bytes exactly as the format's decoder
// says it plays, however many bytes the run has.
TEST(OfflinePlayback, DelayRunsPlayAsTheDecoderReadsThem) {
    const std::vector<std::vector<std::uint8_t>> runs = {
        {0x85},
        {0x80, 0x81},
        {0xFF, 0xFF},
        {0x80, 0x80, 0x81},
        {0xFF, 0xFF, 0xFF, 0x81},
        {0x85, 0x80, 0x80, 0x80, 0x81},
    };
    for (const auto& run : runs) {
        std::string line = "DB ";
        for (const std::uint8_t byte : run) {
            if (line.size() > 3) {
                line += ", ";
            }
            AppendByteText(line, byte);
        }
        SCOPED_TRACE(line);
        MemoryView view;
        view.SetListing("DB 51h, F0h\r\n" + line + " ;delay\r\nDB 55h, F0h\r\nDB 00h\r\n");
        const auto times = NoteOnTimes(view);
        ASSERT_EQ(times.size(), 2u);
        EXPECT_EQ(times[1] - times[0],
                  zum::PlayedDelayUnits(run) * std::chrono::milliseconds(zum::kInitialTimeUnitMs));
    }
}

// A rest of 16,385 units is written as three delay bytes, which the player
// plays as two short delays. The picture drew the note after it where the
// whole rest would put it (245.8 s on); it must time it as the player does.
TEST(ThreeByteDelay, PictureTimesTheNoteAfterItAsThePlayerPlaysIt) {
    using namespace midi_test;
    const Bytes file =
        Format0(32, Cat({Ev(0, {0x90, 0x3C, 0x64}), Ev(16, {0x80, 0x3C, 0x00}),
                         Ev(16385, {0x90, 0x3E, 0x64}), Ev(32, {0x80, 0x3E, 0x00}), EndOfTrack()}));
    Arrangement arrangement;
    const ConversionResult r = ConvertBytes(file, "rest.mid", {.arrangement = &arrangement});
    ASSERT_NE(std::find(r.listing.begin(), r.listing.end(), "DB 80h, 80h, 81h ;delay"),
              r.listing.end());
    ASSERT_EQ(arrangement.notes.size(), 2u);

    MemoryView view;
    view.lines = r.listing;
    const auto times = NoteOnTimes(view);
    ASSERT_EQ(times.size(), 2u);
    // The player's first tick comes its first interval after Play.
    const auto start = std::chrono::milliseconds(ListingPlayer::kFirstIntervalMs);
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(arrangement.notes[i].start.seconds,
                         std::chrono::duration<double>(times[i] - start).count());
    }
    EXPECT_DOUBLE_EQ(arrangement.notes[1].start.seconds, (16 + 3) * 0.015);
}

// Each line's time is when playing from the top gets there, counted from
// the first tick; the total is the whole piece.
TEST(MeasureTimeline, GivesTheTimeOfEachLine) {
    MemoryView view;
    view.SetListing(
        "; heading\nDB 0Eh, 87h\nDB 51h, F0h\nDB 9Fh ;delay\nDB 51h, 80h\nDB 83h\n"
        "DB 52h, F0h\nDB 00h\n");
    const ListingTimeline timeline = MeasureTimeline(view);
    const std::vector<double> expected = {0, 0, 0, 0, 0.48, 0.48, 0.54, 0.54};
    ASSERT_EQ(timeline.lineSeconds.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(timeline.lineSeconds[i], expected[i], 1e-9) << "line " << i;
    }
    EXPECT_NEAR(timeline.totalSeconds, 0.54, 1e-9);
    EXPECT_NEAR(timeline.AtLine(100), 0.54, 1e-9);  // past the end: the last line's
    EXPECT_EQ(MeasureTimeline(MemoryView()).totalSeconds, 0.0);
}

}  // namespace
}  // namespace tonvell::playback
