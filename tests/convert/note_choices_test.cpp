// SPDX-License-Identifier: MIT
// What the voices are given to play: the channels chosen, the transposition
// and which notes are kept when all six voices sound, as tables of small
// cases; the text forms of the choices; and the choices reaching the
// conversion's report and its arrangement.

#include "convert/note_choices.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "convert/command_sink.h"
#include "convert/conversion.h"
#include "convert/voice_allocator.h"
#include "convert/warnings.h"
#include "convert/zum_protocol.h"
#include "tests/support/midi_builder.h"

namespace {

using tonvell::KeepPolicy;
using tonvell::NoteChoices;

// Writes each command pair as "+N:V" (note N on voice V) or "-N:V" (its
// note-off), N read back from the note code (notes below 96).
class CommandText final : public tonvell::CommandSink {
public:
    void Emit(std::uint8_t command, std::uint8_t parameter) override {
        const bool on = tonvell::zum::VelocityOfParameter(parameter) != 0;
        text_ += (text_.empty() ? "" : " ") + std::string(on ? "+" : "-") +
                 std::to_string(tonvell::zum::NoteKey(command)) + ":" +
                 std::to_string(tonvell::zum::VoiceOfParameter(parameter));
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

struct Counts {
    int noteOns = 0;
    int switchedOff = 0;
    int mutedPeak = 0;
    int passedOver = 0;
};

struct AllocationCase {
    const char* name;
    NoteChoices choices;
    // Note events: "+C.N" a note-on of note N on MIDI channel C (1 to 16),
    // "-C.N" its note-off, "0C.N" a note-on of velocity 0.
    const char* events;
    const char* commands;  // as CommandText writes them
    Counts counts;
};

std::string Allocate(const AllocationCase& c, tonvell::VoiceCounters& counters) {
    CommandText commands;
    tonvell::WarningList warnings;
    tonvell::VoiceAllocator voices(commands, warnings, c.choices);
    voices.Reset();
    std::istringstream events(c.events);
    std::string event;
    while (events >> event) {
        int channel = 0;
        int note = 0;
        EXPECT_EQ(std::sscanf(event.c_str() + 1, "%d.%d", &channel, &note), 2) << event;
        const bool off = event[0] == '-';
        const int velocity = event[0] == '+' ? 100 : event[0] == '0' ? 0 : 64;
        voices.NoteEvent(static_cast<std::uint8_t>((off ? 0x80 : 0x90) | (channel - 1)),
                         static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity));
    }
    counters = voices.Counters();
    return commands.Text();
}

constexpr NoteChoices Keep(KeepPolicy keep) {
    return {.keep = keep};
}
constexpr NoteChoices Transpose(int semitones) {
    return {.transpose = semitones};
}
constexpr NoteChoices Channels(tonvell::ChannelSet channels) {
    return {.channels = channels};
}

// Six notes that fill voices 0 to 5: the lowest (60) on voice 1, the
// highest (69) on voice 5.
#define FILL "+1.64 +1.60 +1.67 +1.62 +1.65 +1.69 "
#define FILLED "+64:0 +60:1 +67:2 +62:3 +65:4 +69:5"

const AllocationCase kAllocationCases[] = {
    // new: the voice at the steal pointer, which then advances.
    {"NewTakesThePointersVoice",
     Keep(KeepPolicy::New),
     FILL "+1.70 +1.71 -1.64 -1.70",
     FILLED " +70:0 +71:1 -70:0",
     {8, 2, 2, 0}},
    // old: the seventh note is not played; its note-off is swallowed, and
    // the stack holds it like a taken note.
    {"OldKeepsTheSoundingNotes",
     Keep(KeepPolicy::Old),
     FILL "+1.70 -1.70 -1.64 +1.71",
     FILLED " -64:0 +71:0",
     {8, 1, 1, 0}},
    {"OldMutedNoteStruckTwiceSwallowsTwoOffs",
     Keep(KeepPolicy::Old),
     FILL "+1.70 +1.70 -1.70 -1.70 -1.70",
     FILLED,
     {8, 2, 2, 0}},
    // high: the lowest note's voice is taken by a higher note only.
    {"HighTakesTheLowestNotesVoice",
     Keep(KeepPolicy::High),
     FILL "+1.70 -1.60 -1.70",
     FILLED " +70:1 -70:1",
     {7, 1, 1, 0}},
    // A muted 60 swallows the next note-off of 60 although a 60 sounds.
    {"HighMutesANoteNotAboveTheLowest",
     Keep(KeepPolicy::High),
     FILL "+1.59 +1.60 -1.59 -1.60 -1.60",
     FILLED " -60:1",
     {8, 2, 2, 0}},
    {"HighTieTakesTheFirstVoice",
     Keep(KeepPolicy::High),
     "+1.60 +2.60 +1.70 +1.71 +1.72 +1.73 +1.74 +1.75",
     "+60:0 +60:1 +70:2 +71:3 +72:4 +73:5 "
     "+74:0 +75:1",
     {8, 2, 2, 0}},
    // low: the mirror of high.
    {"LowTakesTheHighestNotesVoice",
     Keep(KeepPolicy::Low),
     FILL "+1.59 -1.69 -1.59",
     FILLED " +59:5 -59:5",
     {7, 1, 1, 0}},
    {"LowMutesANoteNotBelowTheHighest",
     Keep(KeepPolicy::Low),
     FILL "+1.69 +1.70 -1.70",
     FILLED,
     {8, 2, 2, 0}},
    {"LowTieTakesTheFirstVoice",
     Keep(KeepPolicy::Low),
     "+1.70 +2.70 +1.60 +1.61 +1.62 +1.63 +1.50 +1.51",
     "+70:0 +70:1 +60:2 +61:3 +62:4 +63:5 "
     "+50:0 +51:1",
     {8, 2, 2, 0}},
    // Transposition: the note played and its key move; past 0 or 127 the
    // event is passed over, note-on and note-off alike.
    {"TransposeUp",
     Transpose(12),
     "+1.60 +1.48 -1.60 -1.48",
     "+72:0 +60:1 -72:0 -60:1",
     {2, 0, 0, 0}},
    {"TransposePast127", Transpose(48), "+1.80 -1.80 +1.47 -1.47", "+95:0 -95:0", {1, 0, 0, 1}},
    {"TransposeBelow0", Transpose(-12), "+1.11 -1.11 +1.12 -1.12", "+0:0 -0:0", {1, 0, 0, 1}},
    {"TransposedKeyKeepsTheChannel",
     Transpose(12),
     "+1.60 +2.60 -2.60 -1.60",
     "+72:0 +72:1 -72:1 -72:0",
     {2, 0, 0, 0}},
    // Channels: every chosen channel plays, channel 10 as pitches too; a
    // note-on of another channel is counted, its note-off and a note-on of
    // velocity 0 are not.
    {"DefaultPassesOverChannelsTenToSixteen",
     NoteChoices{},
     "+10.36 +16.40 -10.36 010.36 +9.60 -9.60",
     "+60:0 -60:0",
     {1, 0, 0, 2}},
    {"ChannelTenChosen",
     Channels(1U << 9),
     "+10.36 +1.60 -1.60 -10.36",
     "+36:0 -36:0",
     {1, 0, 0, 1}},
    {"AllChannels",
     Channels(tonvell::kAllChannels),
     "+16.40 +10.36 -16.40",
     "+40:0 +36:1 -40:0",
     {2, 0, 0, 0}},
    {"NoChannel", Channels(0), "+1.60 -1.60", "", {0, 0, 0, 1}},
};

class Allocation : public ::testing::TestWithParam<AllocationCase> {};

TEST_P(Allocation, CommandsAndCounters) {
    const AllocationCase& c = GetParam();
    tonvell::VoiceCounters counters;
    EXPECT_EQ(Allocate(c, counters), c.commands);
    EXPECT_EQ(counters.noteOnCount, c.counts.noteOns);
    EXPECT_EQ(counters.stealCount, c.counts.switchedOff);
    EXPECT_EQ(counters.mutedPeak, c.counts.mutedPeak);
    EXPECT_EQ(counters.passedOverCount, c.counts.passedOver);
}

INSTANTIATE_TEST_SUITE_P(NoteChoices, Allocation, ::testing::ValuesIn(kAllocationCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The stack's limit and its message hold for notes not played as for taken ones.
TEST(NoteChoicesMutedStack, OldFillsTheStackAndWarnsOnce) {
    CommandText commands;
    tonvell::WarningList warnings;
    tonvell::VoiceAllocator voices(commands, warnings, Keep(KeepPolicy::Old));
    voices.Reset();
    for (int i = 0; i < 6 + tonvell::kMutedStackSize + 5; ++i) {
        voices.NoteEvent(0x90, static_cast<std::uint8_t>(i % 96), 100);
    }
    EXPECT_EQ(voices.Counters().stealCount, tonvell::kMutedStackSize + 5);
    EXPECT_EQ(voices.Counters().mutedPeak, tonvell::kMutedStackSize);
    ASSERT_EQ(warnings.Counts().size(), 1U);
    EXPECT_EQ(warnings.Counts().front().warning, tonvell::Warning::StackFull);
    EXPECT_EQ(warnings.Counts().front().count, 1);
}

// --- Text forms ----------------------------------------------------------------------

struct ChannelListCase {
    const char* text;
    tonvell::ChannelSet channels;  // when error is empty
    const char* error;
    const char* shortest;  // ChannelListText of the set
};

const ChannelListCase kChannelLists[] = {
    {"1-9", 0x01FF, "", "1-9"},
    {"1,2,5-8", 0x00F3, "", "1,2,5-8"},
    {"all", 0xFFFF, "", "all"},
    {"1-16", 0xFFFF, "", "all"},
    {"10", 0x0200, "", "10"},
    {"3,1,2,2", 0x0007, "", "1-3"},
    {"16,15", 0xC000, "", "15,16"},
    {"0", 0, "'0' is no MIDI channel (use 1 to 16)", ""},
    {"17", 0, "'17' is no MIDI channel (use 1 to 16)", ""},
    {"5-3", 0, "the range '5-3' runs backwards", ""},
    {"1,,2", 0, "'' is no MIDI channel (use 1 to 16)", ""},
    {"1-", 0, "'' is no MIDI channel (use 1 to 16)", ""},
    {"+3", 0, "'+3' is no MIDI channel (use 1 to 16)", ""},
    {"", 0, "no channel given", ""},
};

TEST(NoteChoicesText, ChannelLists) {
    for (const ChannelListCase& c : kChannelLists) {
        SCOPED_TRACE(c.text);
        tonvell::ChannelSet channels = 0x1234;
        EXPECT_EQ(tonvell::ParseChannelList(c.text, channels), c.error);
        if (std::string(c.error).empty()) {
            EXPECT_EQ(channels, c.channels);
            EXPECT_EQ(tonvell::ChannelListText(channels), c.shortest);
            tonvell::ChannelSet back = 0;
            EXPECT_EQ(tonvell::ParseChannelList(c.shortest, back), "");
            EXPECT_EQ(back, channels);
        } else {
            EXPECT_EQ(channels, 0x1234) << "unchanged on error";
        }
    }
}

TEST(NoteChoicesText, Transpose) {
    const std::pair<const char*, int> good[] = {{"0", 0}, {"-48", -48}, {"48", 48}, {"+12", 12}};
    for (const auto& [text, semitones] : good) {
        int n = 99;
        EXPECT_EQ(tonvell::ParseTranspose(text, n), "") << text;
        EXPECT_EQ(n, semitones) << text;
    }
    for (const char* text : {"49", "-49", "", "x", "1.5", "12 ", "+", "--1"}) {
        int n = 99;
        EXPECT_EQ(tonvell::ParseTranspose(text, n),
                  "'" + std::string(text) + "' is no transposition (use -48 to 48 semitones)")
            << text;
        EXPECT_EQ(n, 99) << text;
    }
}

TEST(NoteChoicesText, KeepPolicies) {
    for (const KeepPolicy keep :
         {KeepPolicy::New, KeepPolicy::Old, KeepPolicy::High, KeepPolicy::Low}) {
        KeepPolicy back = KeepPolicy::New;
        EXPECT_TRUE(tonvell::KeepPolicyByName(tonvell::KeepPolicyName(keep), back));
        EXPECT_EQ(back, keep);
    }
    KeepPolicy keep = KeepPolicy::Low;
    EXPECT_FALSE(tonvell::KeepPolicyByName("loud", keep));
    EXPECT_FALSE(tonvell::KeepPolicyByName("New", keep));
    EXPECT_EQ(keep, KeepPolicy::Low);
}

// --- The conversion -------------------------------------------------------------------

// Seven overlapping notes on channel 1 and a note on channel 10.
midi_test::Bytes SevenNotesAndADrum() {
    using midi_test::Ev;
    midi_test::Bytes events;
    for (std::uint8_t i = 0; i < 7; ++i) {
        events = midi_test::Cat({events, Ev(0, {0x90, static_cast<std::uint8_t>(60 + i), 100})});
    }
    events = midi_test::Cat({events, Ev(0, {0x99, 36, 100}), Ev(96, {0x80, 66, 0}),
                             Ev(0, {0x80, 60, 0}), midi_test::EndOfTrack()});
    return midi_test::Format0(96, events);
}

tonvell::ConversionResult ConvertWith(const NoteChoices& choices,
                                      tonvell::Arrangement* arrangement = nullptr) {
    const midi_test::Bytes file = SevenNotesAndADrum();
    return tonvell::ConvertBytes(file, "t.mid", {.arrangement = arrangement, .choices = choices});
}

TEST(NoteChoicesConversion, PassedOverLineOnlyWhenNotesWerePassedOver) {
    EXPECT_EQ(ConvertWith({}).passedOverLine, "Пропущенных нот: 1");
    EXPECT_EQ(ConvertWith(Channels(tonvell::kAllChannels)).passedOverLine, "");
    // The statistics lines themselves stay as they are.
    EXPECT_EQ(ConvertWith({}).statistics[2], "Выключенных нот: 1");
    EXPECT_EQ(ConvertWith(Channels(0)).passedOverLine, "Пропущенных нот: 8");
}

TEST(NoteChoicesConversion, ArrangementShowsMutedAndTransposedNotes) {
    tonvell::Arrangement a;
    ConvertWith({.channels = 0x03FF, .transpose = 2, .keep = KeepPolicy::Old}, &a);
    ASSERT_EQ(a.notes.size(), 8U);
    EXPECT_EQ(a.choices.transpose, 2);
    EXPECT_EQ(a.notes[0].note, 62);  // drawn at the pitch played
    EXPECT_EQ(a.notes[0].fate, tonvell::NoteFate::Played);
    EXPECT_EQ(a.notes[6].fate, tonvell::NoteFate::Muted);
    EXPECT_TRUE(a.notes[6].NeverSounds());
    EXPECT_TRUE(a.notes[6].endSeen) << "its note-off ends it";
    EXPECT_EQ(a.notes[6].end.tick, 96);
    EXPECT_EQ(a.notes[7].channel, 9);  // channel 10, chosen, finds the voices busy
    EXPECT_EQ(a.notes[7].note, 38);
    EXPECT_EQ(a.notes[7].fate, tonvell::NoteFate::Muted);
    EXPECT_EQ(a.counters.stealCount, 2);

    tonvell::Arrangement defaults;
    ConvertWith({}, &defaults);
    ASSERT_EQ(defaults.notes.size(), 8U);
    EXPECT_EQ(defaults.notes[7].fate, tonvell::NoteFate::IgnoredChannel);
}

}  // namespace
