// SPDX-License-Identifier: MIT
// Allocation of the six voices: free voices, stealing, muted notes, velocity
// bits, note codes and the counters.

#include "convert/voice_allocator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "convert/command_sink.h"
#include "convert/warnings.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

// Records the command pairs as the listing's command lines would show them.
class RecordedCommands final : public tonvell::CommandSink {
public:
    void Emit(std::uint8_t command, std::uint8_t parameter) override {
        char line[16];
        std::snprintf(line, sizeof line, "DB %02Xh, %02Xh", command, parameter);
        lines_.emplace_back(line);
    }
    const Lines& Recorded() const { return lines_; }

private:
    Lines lines_;
};

// One conversion's allocation; the pairs go to a recording sink.
class Allocation {
public:
    Allocation() { voices_.Reset(); }

    void On(int channel, int note, int velocity = 100) {
        voices_.NoteEvent(static_cast<std::uint8_t>(0x90 | channel),
                          static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity));
    }
    void Off(int channel, int note, int velocity = 64) {
        voices_.NoteEvent(static_cast<std::uint8_t>(0x80 | channel),
                          static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity));
    }
    void Raw(std::uint8_t status, std::uint8_t note, std::uint8_t velocity) {
        voices_.NoteEvent(status, note, velocity);
    }

    // Command lines written since the last call.
    Lines Take() {
        const Lines& all = commands_.Recorded();
        Lines out(all.begin() + static_cast<long>(taken_), all.end());
        taken_ = all.size();
        return out;
    }

    const tonvell::VoiceCounters& Counters() const { return voices_.Counters(); }
    // The text of every warning raised, as often as it was raised.
    Lines Messages() const {
        Lines texts;
        for (const auto& [warning, count] : warnings_.Counts()) {
            texts.insert(texts.end(), static_cast<std::size_t>(count),
                         std::string(tonvell::WarningText(warning)));
        }
        return texts;
    }
    tonvell::VoiceAllocator& Voices() { return voices_; }

private:
    RecordedCommands commands_;
    tonvell::WarningList warnings_;
    tonvell::VoiceAllocator voices_{commands_, warnings_};
    std::size_t taken_ = 0;
};

std::string Line(int code, int parameter) {
    char text[16];
    std::snprintf(text, sizeof text, "DB %02Xh, %02Xh", code, parameter);
    return text;
}

// Six sounding notes 60..65 on channel 1, velocity 100.
void FillVoices(Allocation& a) {
    for (int i = 0; i < 6; ++i) {
        a.On(0, 60 + i);
    }
}

// --- Note codes ------------------------------------------------------------------

TEST(NoteCode, WorkedValues) {
    const std::vector<std::pair<int, int>> cases = {
        {0, 0x01},  {11, 0x0C},  {12, 0x11},  {60, 0x51},  {95, 0x7C},
        {96, 0x71}, {107, 0x7C}, {108, 0x71}, {127, 0x78}, {0x80 | 60, 0x51}};
    for (auto [note, code] : cases) {
        SCOPED_TRACE(note);
        EXPECT_EQ(tonvell::zum::NoteCode(static_cast<std::uint8_t>(note)), code);
    }
}

TEST(NoteCode, NeverTheEndByteTheTempoCommandOrADelayByte) {
    for (int n = 0; n < 256; ++n) {
        SCOPED_TRACE(n);
        const int code = tonvell::zum::NoteCode(static_cast<std::uint8_t>(n));
        EXPECT_GE(code & 0x0F, 1);
        EXPECT_LE(code & 0x0F, 12);
        EXPECT_LT(code, 0x80);
    }
}

// --- Velocity and the voice parameter -----------------------------------------

struct VelocityCase {
    std::uint8_t status;
    std::uint8_t velocity;
    int parameter;  // -1: a note-off, nothing written for a note never struck
    int noteOns;
};

TEST(VoiceParameter, VelocityBitsAndNoteOffs) {
    const std::vector<VelocityCase> cases = {
        {0x90, 127, 0xF0, 1},
        {0x90, 100, 0xE0, 1},
        {0x90, 64, 0xC0, 1},
        {0x90, 16, 0x90, 1},
        {0x90, 15, 0x80, 1},
        {0x90, 1, 0x80, 1},
        {0x90, 0, -1, 0},
        {0x80, 100, -1, 0},
        // The velocity byte is taken as read: bit 7 does not make a note-on.
        {0x90, 0x80, -1, 0},
        {0x90, 0x90, 0x90, 1},
        {0x90, 0xFF, 0xF0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int{c.status} << " vel " << int{c.velocity});
        Allocation a;
        a.Raw(c.status, 60, c.velocity);
        if (c.parameter < 0) {
            EXPECT_THAT(a.Take(), IsEmpty());
        } else {
            EXPECT_THAT(a.Take(), ElementsAre(Line(0x51, c.parameter)));
        }
        EXPECT_EQ(a.Counters().noteOnCount, c.noteOns);
    }
}

TEST(VoiceParameter, NoteOnWithVelocityZeroIsANoteOff) {
    for (std::uint8_t offStatus : {std::uint8_t{0x82}, std::uint8_t{0x92}}) {
        SCOPED_TRACE(int{offStatus});
        Allocation a;
        a.On(2, 60, 100);
        a.On(2, 62, 100);
        a.Raw(offStatus, 60, 0);
        a.On(2, 64, 100);
        EXPECT_THAT(a.Take(), ElementsAre(Line(0x51, 0xE0), Line(0x53, 0xE1), Line(0x51, 0x80),
                                          Line(0x55, 0xE0)));
    }
}

// --- Free voices and stealing ------------------------------------------------------

TEST(VoiceStealing, SeventhOverlappingNoteTakesVoiceZero) {
    Allocation a;
    for (int i = 0; i < 7; ++i) {
        a.On(0, 60 + i);
    }
    EXPECT_THAT(a.Take(),
                ElementsAre(Line(0x51, 0xE0), Line(0x52, 0xE1), Line(0x53, 0xE2), Line(0x54, 0xE3),
                            Line(0x55, 0xE4), Line(0x56, 0xE5), Line(0x57, 0xE0)));
    EXPECT_EQ(a.Counters().noteOnCount, 7);
    EXPECT_EQ(a.Counters().stealCount, 1);
    EXPECT_EQ(a.Counters().mutedPeak, 1);

    // The muted note's off is swallowed; the seventh note's off frees voice 0.
    a.Off(0, 60);
    EXPECT_THAT(a.Take(), IsEmpty());
    a.Off(0, 66);
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x57, 0x80)));
    // The muted note never sounds again: a second off of it finds nothing.
    a.Off(0, 60);
    EXPECT_THAT(a.Take(), IsEmpty());
    // Voice 0 is free again.
    a.On(0, 72);
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x61, 0xE0)));
    EXPECT_EQ(a.Counters().stealCount, 1);
    EXPECT_EQ(a.Counters().mutedPeak, 1);
}

TEST(VoiceStealing, StealPointerRotatesAcrossReleases) {
    Allocation a;
    for (int i = 0; i < 7; ++i) {
        a.On(0, 60 + i);  // the seventh steals voice 0
    }
    for (int i = 0; i < 7; ++i) {
        a.Off(0, 60 + i);
    }
    a.Take();
    for (int i = 0; i < 7; ++i) {
        a.On(1, 40 + i);
    }
    EXPECT_THAT(a.Take(),
                ElementsAre(Line(0x35, 0xE0), Line(0x36, 0xE1), Line(0x37, 0xE2), Line(0x38, 0xE3),
                            Line(0x39, 0xE4), Line(0x3A, 0xE5), Line(0x3B, 0xE1)));
    // Four more steals: voices 2, 3, 4, 5, then 0 again.
    for (int i = 0; i < 5; ++i) {
        a.On(1, 80 + i);
    }
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x69, 0xE2), Line(0x6A, 0xE3), Line(0x6B, 0xE4),
                                      Line(0x6C, 0xE5), Line(0x71, 0xE0)));
    EXPECT_EQ(a.Counters().stealCount, 7);
    EXPECT_EQ(a.Counters().mutedPeak, 6);
}

TEST(VoiceStealing, SameNoteTwiceTakesTwoVoicesReleasedLowestFirst) {
    Allocation a;
    a.On(0, 50);
    a.On(0, 60);
    a.On(0, 60);
    a.Off(0, 50);  // frees voice 0
    a.Off(0, 60);  // the lowest voice holding 60: voice 1
    a.On(0, 70);   // takes voice 0
    a.Off(0, 60);  // voice 2
    EXPECT_THAT(a.Take(),
                ElementsAre(Line(0x43, 0xE0), Line(0x51, 0xE1), Line(0x51, 0xE2), Line(0x43, 0x80),
                            Line(0x51, 0x81), Line(0x5B, 0xE0), Line(0x51, 0x82)));
}

TEST(VoiceStealing, MutedNoteStruckAgainKeepsSoundingUntilItsSecondOff) {
    Allocation a;
    FillVoices(a);
    a.On(0, 70);   // mutes note 60 (voice 0)
    a.Off(0, 61);  // frees voice 1
    a.On(0, 60);   // note 60 again, on voice 1
    a.Take();
    a.Off(0, 60);  // removes the muted entry only
    EXPECT_THAT(a.Take(), IsEmpty());
    a.Off(0, 60);  // now the sounding one
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x51, 0x81)));
}

TEST(VoiceStealing, MutedNoteLeavesTheStackFromTheMiddle) {
    Allocation a;
    FillVoices(a);
    for (int i = 0; i < 3; ++i) {
        a.On(1, 30 + i);  // mutes 60, 61, 62 on voices 0 to 2
    }
    a.Off(0, 61);  // from the middle of the stack
    a.Off(0, 60);
    a.Off(1, 30);  // frees voice 0
    a.Take();
    // Had 61 stayed on the stack, its new note-off would be swallowed.
    a.On(0, 61);
    a.Off(0, 61);
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x52, 0xE0), Line(0x52, 0x80)));
    // 62 is still muted: struck again, its first off removes the muted entry.
    a.On(0, 62);
    a.Off(0, 62);
    a.Off(0, 62);
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x53, 0xE0), Line(0x53, 0x80)));
    EXPECT_EQ(a.Counters().mutedPeak, 3);
}

TEST(VoiceStealing, OffOfANoteNeverStruckChangesNothing) {
    Allocation a;
    a.On(0, 60);
    a.Off(0, 61);
    a.Off(1, 60);  // same note, other channel
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x51, 0xE0)));
    EXPECT_EQ(a.Counters().noteOnCount, 1);
    EXPECT_EQ(a.Counters().stealCount, 0);
    EXPECT_EQ(a.Counters().mutedPeak, 0);
}

TEST(VoiceStealing, ChannelsTenToSixteenTakeNoPart) {
    Allocation a;
    for (int channel = 9; channel < 16; ++channel) {
        a.On(channel, 60);
        a.Off(channel, 60);
    }
    EXPECT_THAT(a.Take(), IsEmpty());
    EXPECT_EQ(a.Counters().noteOnCount, 0);
    a.On(8, 60);  // channel 9 takes part
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x51, 0xE0)));
}

TEST(VoiceStealing, NoteKeyIgnoresBitSevenOfTheNoteByte) {
    Allocation a;
    a.On(0, 0x80 | 60);
    a.Off(0, 60);
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x51, 0xE0), Line(0x51, 0x80)));
}

TEST(VoiceStealing, NotesSharingACodeKeepTheirOwnVoices) {
    // Notes 96 and 108 both have code 71h.
    Allocation a;
    a.On(0, 96);
    a.On(0, 108);
    a.Off(0, 108);
    a.Off(0, 96);
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x71, 0xE0), Line(0x71, 0xE1), Line(0x71, 0x81),
                                      Line(0x71, 0x80)));
}

// Note 0 on channel 1 has note key 0; it must hold its voice like any note.
TEST(VoiceStealing, NoteZeroOnChannelOneHoldsAndReleasesItsVoice) {
    Allocation a;
    a.On(0, 0);
    a.On(0, 60);  // voice 0 is taken, so voice 1
    a.Off(0, 0);
    a.Off(0, 0);  // a second off finds nothing
    a.On(0, 62);  // voice 0 is free again
    EXPECT_THAT(a.Take(), ElementsAre(Line(0x01, 0xE0), Line(0x51, 0xE1), Line(0x01, 0x80),
                                      Line(0x53, 0xE0)));

    // Muted and released like others too.
    Allocation b;
    b.On(0, 0);
    for (int i = 1; i < 7; ++i) {
        b.On(0, 60 + i);  // the last mutes note 0
    }
    b.Take();
    b.Off(0, 0);
    EXPECT_THAT(b.Take(), IsEmpty());
    b.Off(0, 66);
    EXPECT_THAT(b.Take(), ElementsAre(Line(0x57, 0x80)));
}

// --- The muted-note stack limit ---------------------------------------------------

// Distinct note keys on channels 1 to 9.
std::pair<int, int> KeyNumber(int i) {
    return {i / 128, i % 128};
}

TEST(MutedStack, FullStackMessageOnceDropsKeysCountersGoOn) {
    Allocation a;
    // Six sounding notes, then 1005 steals: the first 1000 fill the stack.
    for (int i = 0; i < 6 + 1005; ++i) {
        auto [channel, note] = KeyNumber(i);
        a.On(channel, note);
    }
    EXPECT_THAT(a.Messages(), ElementsAre("Превышено число нот в стеке"));
    EXPECT_EQ(a.Counters().noteOnCount, 1011);
    EXPECT_EQ(a.Counters().stealCount, 1005);
    EXPECT_EQ(a.Counters().mutedPeak, 1000);
    // Commands go on with the rotating steal pointer: steal 1005 takes voice 2.
    const int lastNote = KeyNumber(1010).second;
    EXPECT_EQ(a.Take().back(),
              Line(tonvell::zum::NoteCode(static_cast<std::uint8_t>(lastNote)), 0xE2));

    // Keys 0..999 are muted; 1000..1004 were dropped when they lost their voice.
    auto [droppedChannel, droppedNote] = KeyNumber(1002);
    a.Off(droppedChannel, droppedNote);
    EXPECT_THAT(a.Take(), IsEmpty());
    auto [mutedChannel, mutedNote] = KeyNumber(10);
    a.Off(mutedChannel, mutedNote);  // swallowed, stack at 999
    EXPECT_THAT(a.Take(), IsEmpty());

    // Back to 1000: no second message in the same conversion.
    auto [channel, note] = KeyNumber(1100);
    a.On(channel, note);
    EXPECT_EQ(a.Messages().size(), 1u);
    EXPECT_EQ(a.Counters().mutedPeak, 1000);

    // A new conversion shows it again.
    a.Voices().Reset();
    EXPECT_EQ(a.Counters().noteOnCount, 0);
    for (int i = 0; i < 6 + 1000; ++i) {
        auto [c, n] = KeyNumber(i);
        a.On(c, n);
    }
    EXPECT_EQ(a.Messages().size(), 2u);
}

TEST(MutedStack, NineHundredNinetyNineMutedNotesShowNoMessage) {
    Allocation a;
    for (int i = 0; i < 6 + 999; ++i) {
        auto [channel, note] = KeyNumber(i);
        a.On(channel, note);
    }
    EXPECT_THAT(a.Messages(), IsEmpty());
    EXPECT_EQ(a.Counters().mutedPeak, 999);
}

// --- Reset --------------------------------------------------------------------------

TEST(VoiceReset, StartsFromVoiceZeroAndPointerZero) {
    Allocation a;
    for (int i = 0; i < 8; ++i) {
        a.On(0, 60 + i);  // steal pointer now at 2
    }
    a.Voices().Reset();
    a.Take();
    for (int i = 0; i < 7; ++i) {
        a.On(0, 40 + i);
    }
    const Lines lines = a.Take();
    EXPECT_EQ(lines.front(), Line(0x35, 0xE0));
    EXPECT_EQ(lines.back(), Line(0x3B, 0xE0));
    EXPECT_EQ(a.Counters().stealCount, 1);
    EXPECT_EQ(a.Counters().mutedPeak, 1);
    // Notes muted before the reset are forgotten: their offs find nothing.
    a.Off(0, 60);
    EXPECT_THAT(a.Take(), IsEmpty());
}

}  // namespace
