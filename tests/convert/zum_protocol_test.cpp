// SPDX-License-Identifier: MIT
// The instrument's byte format read back the way the player and the port read
// it: what the converter writes must decode to what it meant.

#include "convert/zum_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

namespace zum = tonvell::zum;

// Every MIDI note through its note code and back to the key the port sounds.
// Keys 0 to 95 come back unchanged; above them the octave is capped at 7, so
// the note sounds in the top octave with its own tone.
TEST(ZumNoteCode, EveryMidiNoteComesBackAsTheKeyItSounds) {
    for (int note = 0; note < 128; ++note) {
        SCOPED_TRACE(note);
        const int expected = note < 96 ? note : 84 + note % 12;
        EXPECT_EQ(zum::NoteKey(zum::NoteCode(static_cast<std::uint8_t>(note))), expected);
    }
}

TEST(ZumNoteCode, NeverReadAsTheEndByteTheTempoCommandOrADelay) {
    for (int note = 0; note < 256; ++note) {
        SCOPED_TRACE(note);
        const std::uint8_t code = zum::NoteCode(static_cast<std::uint8_t>(note));
        EXPECT_NE(code, zum::kEndByte);
        EXPECT_NE(code, zum::kTempoCommand);
        EXPECT_FALSE(zum::IsDelayByte(code));
    }
}

// A note's parameter and the silencing pair decode to the voice and velocity
// bits they were built from; bit 7 is set in each.
TEST(ZumParameter, VoiceAndVelocityComeBack) {
    for (int voice = 0; voice < zum::kVoiceCount; ++voice) {
        SCOPED_TRACE(voice);
        for (int velocity = 0; velocity < 128; ++velocity) {
            const auto on = static_cast<std::uint8_t>(zum::NoteParameterBase(velocity) | voice);
            EXPECT_EQ(zum::VoiceOfParameter(on), voice);
            EXPECT_EQ(zum::VelocityOfParameter(on), velocity & 0x70) << velocity;
            EXPECT_NE(on & 0x80, 0);
        }
        const std::uint8_t off = zum::NoteOffParameter(voice);
        const std::uint8_t silence = zum::SilenceParameter(voice);
        for (const std::uint8_t parameter : {off, silence}) {
            EXPECT_EQ(zum::VoiceOfParameter(parameter), voice);
            EXPECT_EQ(zum::VelocityOfParameter(parameter), 0);
            EXPECT_NE(parameter & 0x80, 0);
        }
    }
    EXPECT_EQ(zum::NoteKey(zum::kSilenceCommand), 12);  // tone 1 of octave 1
}

// A delay byte carries seven bits and is told from every command byte.
TEST(ZumDelay, SevenBitsThroughADelayByte) {
    for (int bits = 0; bits < 128; ++bits) {
        SCOPED_TRACE(bits);
        const std::uint8_t byte = zum::DelayByte(static_cast<std::uint64_t>(bits) | 0x380);
        EXPECT_TRUE(zum::IsDelayByte(byte));
        EXPECT_EQ(zum::DelayValue(byte), bits);
        EXPECT_FALSE(zum::IsDelayByte(static_cast<std::uint8_t>(bits)));
    }
}

// A run of delay bytes plays as delays of at most two bytes each, every
// delay one unit longer than its value.
TEST(ZumDelay, RunsPlayInDelaysOfTwoBytes) {
    const struct {
        std::vector<std::uint8_t> run;
        std::int64_t units;
    } cases[] = {
        {{}, 0},
        {{0x80}, 1},
        {{0xFF}, 128},
        {{0x80, 0x81}, 129},
        {{0xFF, 0xFF}, zum::kLongestPlayedDelayUnits},
        {{0x80, 0x80, 0x81}, 1 + 2},          // written for 16,385 units
        {{0xFF, 0xFF, 0xFF}, 16384 + 128},    // written for 2,097,152 units
        {{0x80, 0x80, 0x80, 0x81}, 1 + 129},  // written for 2,097,153 units
        {{0x85, 0x80, 0x80, 0x80, 0x81}, 6 + 1 + 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.run.size());
        EXPECT_EQ(zum::PlayedDelayUnits(c.run), c.units);
    }
}

// The tempo parameter the reader writes for a tempo's most significant byte,
// and the time unit the port takes from it.
TEST(ZumTempo, TimeUnitOfTheTempoParameter) {
    struct Case {
        std::uint8_t tempoByte;
        int timeUnitMs;
    };
    // 500000 us per quarter (07 A1 20h) gives the initial unit of 15 ms.
    for (const Case c : {Case{0x07, 15}, Case{0x01, 2}, Case{0x00, 1}, Case{0x7F, 283},
                         Case{0xFF, 283}, Case{0x80, 1}}) {
        SCOPED_TRACE(c.tempoByte);
        const std::uint8_t parameter = zum::TempoParameter(c.tempoByte);
        EXPECT_NE(parameter & 0x80, 0);
        EXPECT_EQ(zum::TimeUnitMs(parameter), c.timeUnitMs);
    }
}

}  // namespace
