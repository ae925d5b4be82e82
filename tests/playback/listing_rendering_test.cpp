// SPDX-License-Identifier: MIT
// Listings rendered through the built-in synthesizer, checked on the samples:
// silence before the first command, each note's pitch, start and end where
// the listing puts them, and silence after.

#include <gtest/gtest.h>

#include <map>

#include "playback/fluid_synth_backend.h"
#include "playback/listing_rendering.h"
#include "playback/midi_messages.h"
#include "playback/recording_midi_backend.h"
#include "tests/playback/audio_analysis.h"

namespace tonvell::playback {
namespace {

using test::KeyHz;
using test::Sound;

constexpr int kRate = OfflineRenderer::kSampleRate;

std::vector<std::string> WorkedListing() {
    return {
        "; ",          "; x.mid",       "; ",          "DWL 8 ;size in bytes", "; ", "DB 0Eh, 87h",
        "DB 51h, F0h", "DB 9Fh ;delay", "DB 51h, 80h", "DB 00h ;end of block"};
}

// A chord of C4, E4 and G4 for 32 units of 15 ms; then a tempo command sets
// the unit to 22 ms (tempo value 10), the chord ends and A4 sounds for 32 of
// the new units.
std::vector<std::string> ChordAndTempoListing() {
    return {"DB 51h, F0h, 55h, F1h, 58h, F2h",
            "DB 9Fh ;delay",
            "DB 0Eh, 8Ah",
            "DB 51h, 80h, 55h, 81h, 58h, 82h, 5Ah, F0h",
            "DB 9Fh ;delay",
            "DB 5Ah, 80h",
            "DB 00h ;end of block"};
}

// When each key started and ended sounding, in seconds, as the port sends
// the messages (a virtual clock gives the same times as the rendering).
struct Note {
    double start = -1;
    double end = -1;
};

std::map<int, Note> NoteTimes(const std::vector<std::string>& lines) {
    VirtualClock clock;
    RecordingMidiBackend recorder({kBuiltInSynthesizerName}, clock);
    MemoryView view;
    view.lines = lines;
    PlayOffline(view, recorder, clock);
    EXPECT_TRUE(view.messages.empty());
    std::map<int, Note> notes;
    for (const auto& entry : recorder.Log()) {
        const auto& m = entry.message;
        if (entry.kind != MidiLogEntry::Kind::Message || (m.status & 0xF0) != midi::kNoteOn)
            continue;
        const double t = std::chrono::duration<double>(entry.time).count();
        (m.data2 > 0 ? notes[m.data1].start : notes[m.data1].end) = t;
    }
    return notes;
}

Sound Render(const std::vector<std::string>& lines) {
    std::vector<std::int16_t> samples;
    MemoryView view;
    view.lines = lines;
    const auto rendering = RenderListing(view, [&](std::span<const std::int16_t> block) {
        samples.insert(samples.end(), block.begin(), block.end());
        return true;
    });
    EXPECT_EQ(rendering.error, "");
    EXPECT_TRUE(view.messages.empty());
    return Sound(samples, kRate);
}

// The checks on one note that sounds alone: its start, pitch and end. After
// silence, its start is where the sound begins; after other notes, where
// its own pitch appears.
void ExpectNote(const Sound& sound, const Note& note, int key, bool afterSilence) {
    const double sustain = sound.Rms(note.start + 0.1, note.end - 0.02);
    ASSERT_GT(sustain, 100) << "key " << key << " is heard";
    if (afterSilence) {
        const double onset = sound.FirstAbove(0.05 * sustain, 0);
        EXPECT_GE(onset, note.start - 0.0015) << "key " << key;  // one block of the synthesizer
        EXPECT_LE(onset, note.start + 0.010) << "key " << key;
    } else {
        const double hz = KeyHz(key);
        EXPECT_LT(sound.Magnitude(hz, note.start - 0.04, note.start),
                  sound.Magnitude(hz, note.start + 0.01, note.start + 0.05) / 10)
            << "key " << key;
    }
    EXPECT_NEAR(sound.Fundamental(note.start + 0.1, note.end - 0.02), KeyHz(key), 0.03 * KeyHz(key))
        << "key " << key;
    // The end: the level falls by 12 dB, leaving the reverberation.
    const double end = sound.FirstQuietWindow(0.25 * sustain, note.start + 0.1);
    EXPECT_GE(end, note.end - 0.005) << "key " << key;
    EXPECT_LE(end, note.end + 0.015) << "key " << key;
}

TEST(ListingRendering, WorkedListingSoundsMiddleCFor480Ms) {
    const auto notes = NoteTimes(WorkedListing());
    ASSERT_EQ(notes.size(), 1u);
    const Note c4 = notes.at(60);
    EXPECT_NEAR(c4.end - c4.start, 0.480, 1e-9);

    const Sound sound = Render(WorkedListing());
    EXPECT_EQ(sound.Peak(0, c4.start), 0) << "silence before the first command";
    ExpectNote(sound, c4, 60, true);
    const double sustain = sound.Rms(c4.start + 0.1, c4.end - 0.02);
    EXPECT_LT(sound.Rms(c4.end + 0.02, sound.Seconds()), 0.1 * sustain)
        << "only the reverberation after the note";
    EXPECT_LE(sound.Peak(sound.Seconds() - 0.01, sound.Seconds()), 1)
        << "the rendering ends once the sound has died away";
    EXPECT_LT(sound.Seconds(), c4.end + 3);
}

TEST(ListingRendering, ChordThenTempoCommand) {
    const auto notes = NoteTimes(ChordAndTempoListing());
    ASSERT_EQ(notes.size(), 4u);
    const Note c4 = notes.at(60), a4 = notes.at(69);
    EXPECT_NEAR(c4.end - c4.start, 32 * 0.015, 1e-9);
    EXPECT_NEAR(a4.end - a4.start, 32 * 0.022, 1e-9) << "the new time unit";

    const Sound sound = Render(ChordAndTempoListing());
    // The chord: its three pitches stand out, the semitones between them do not.
    const double from = c4.start + 0.08, to = c4.end - 0.02;
    double weakestChordTone = 1e9;
    for (const int key : {60, 64, 67}) {
        weakestChordTone = std::min(weakestChordTone, sound.Magnitude(KeyHz(key), from, to));
    }
    for (const int key : {58, 59, 61, 62, 63, 65, 66, 68, 69}) {
        EXPECT_LT(sound.Magnitude(KeyHz(key), from, to), weakestChordTone / 5) << "key " << key;
    }
    EXPECT_EQ(sound.Peak(0, c4.start), 0);
    // A4 alone afterwards, for 32 units of 22 ms.
    ExpectNote(sound, a4, 69, false);
}

// Each voice is its own channel and a new command cuts its voice's old note:
// a listing that plays C4 then E4 on voice 0 without a note-off in between
// hears E4 alone once it starts.
TEST(ListingRendering, NewCommandCutsItsVoice) {
    const std::vector<std::string> lines = {"DB 51h, F0h", "DB 9Fh",      "DB 55h, F0h",
                                            "DB 9Fh",      "DB 55h, 80h", "DB 00h"};
    const auto notes = NoteTimes(lines);
    const Sound sound = Render(lines);
    const Note e4 = notes.at(64);
    const double from = e4.start + 0.1, to = e4.end - 0.02;
    EXPECT_LT(sound.Magnitude(KeyHz(60), from, to), sound.Magnitude(KeyHz(64), from, to) / 10);
}

TEST(ListingRendering, EmptyListingRendersSilence) {
    const Sound sound = Render({});
    EXPECT_EQ(sound.Peak(0, sound.Seconds()), 0);
    EXPECT_LT(sound.Seconds(), 0.1);
}

TEST(ListingRendering, SinkThatRefusesStopsTheRendering) {
    int blocks = 0;
    MemoryView view;
    view.lines = WorkedListing();
    const auto rendering =
        RenderListing(view, [&](std::span<const std::int16_t>) { return ++blocks < 2; });
    EXPECT_TRUE(rendering.sinkRefused);
    EXPECT_EQ(blocks, 2);
}

}  // namespace
}  // namespace tonvell::playback
