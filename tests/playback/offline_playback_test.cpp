// SPDX-License-Identifier: MIT
// The offline player's length, found without a sound, and the sample
// positions of its clock's times, far beyond any tune's length included.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "playback/memory_view.h"
#include "playback/offline_playback.h"
#include "playback/recording_midi_backend.h"
#include "playback/sample_frames.h"

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

}  // namespace
}  // namespace tonvell::playback
