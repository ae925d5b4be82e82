// SPDX-License-Identifier: MIT
// The listing writer: delay lines, rounding of pauses to delay units, the
// frame written at the end and the statistics.

#include "convert/listing_writer.h"

#include "convert/zum_protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

// The whole listing of what the writer holds.
Lines ListingOf(const tonvell::ListingWriter& w, std::string_view fileName) {
    return tonvell::ListingLines(fileName, w.Block());
}

// Its data lines: everything between the five header lines and the end line.
Lines DataLinesOf(const tonvell::ListingWriter& w) {
    const Lines all = ListingOf(w, "x.mid");
    return Lines(all.begin() + 5, all.end() - 1);
}

// --- Delay lines --------------------------------------------------------------

struct DelayCase {
    std::uint16_t ticksPerQuarter;
    std::int64_t ticks;  // pause before the command
    const char* delay;   // the delay line, or nullptr for none
};

void PrintTo(const DelayCase& c, std::ostream* os) {
    *os << c.ticksPerQuarter << " ticks per quarter, pause " << c.ticks;
}

class ListingDelay : public ::testing::TestWithParam<DelayCase> {};

TEST_P(ListingDelay, PauseBeforeOneCommand) {
    const auto& c = GetParam();
    tonvell::ListingWriter w;
    w.StartTime(c.ticksPerQuarter);
    w.Advance(c.ticks);
    w.Emit(0x51, 0xE2);
    if (c.delay) {
        EXPECT_THAT(DataLinesOf(w), ElementsAre(c.delay, "DB 51h, E2h"));
    } else {
        EXPECT_THAT(DataLinesOf(w), ElementsAre("DB 51h, E2h"));
    }
}

INSTANTIATE_TEST_SUITE_P(WholeUnits, ListingDelay,
                         ::testing::Values(
                             // 32 ticks per quarter: one tick is one unit.
                             DelayCase{32, 0, nullptr}, DelayCase{32, 1, "DB 80h ;delay"},
                             DelayCase{32, 32, "DB 9Fh ;delay"},
                             DelayCase{32, 128, "DB FFh ;delay"},
                             DelayCase{32, 129, "DB 80h, 81h ;delay"},
                             DelayCase{32, 16384, "DB FFh, FFh ;delay"},
                             DelayCase{32, 16385, "DB 80h, 80h, 81h ;delay"},
                             DelayCase{32, 2097152, "DB FFh, FFh, FFh ;delay"},
                             DelayCase{32, 2097153, "DB 80h, 80h, 80h, 81h ;delay"},
                             // Pauses beyond 32 bits of ticks keep every group of seven bits.
                             DelayCase{32, 3000000000, "DB FFh, BBh, C1h, 96h, 8Bh ;delay"}));

INSTANTIATE_TEST_SUITE_P(Rounding, ListingDelay,
                         ::testing::Values(
                             // Unit 3 ticks: half a unit or more counts as one.
                             DelayCase{96, 1, nullptr}, DelayCase{96, 2, "DB 80h ;delay"},
                             DelayCase{96, 3, "DB 80h ;delay"}, DelayCase{96, 4, "DB 80h ;delay"},
                             DelayCase{96, 5, "DB 81h ;delay"}, DelayCase{96, 96, "DB 9Fh ;delay"},
                             DelayCase{96, 97, "DB 9Fh ;delay"}, DelayCase{96, 98, "DB A0h ;delay"},
                             // 100 / 32 is 3 in integer division.
                             DelayCase{100, 96, "DB 9Fh ;delay"},
                             // Unit 15 ticks.
                             DelayCase{480, 7, nullptr}, DelayCase{480, 8, "DB 80h ;delay"},
                             DelayCase{480, 480, "DB 9Fh ;delay"}));

INSTANTIATE_TEST_SUITE_P(
    FewTicksPerQuarter, ListingDelay,
    ::testing::Values(
        // Below 32 ticks per quarter the unit is the exact fraction ticks / 32.
        DelayCase{16, 1, "DB 81h ;delay"}, DelayCase{1, 1, "DB 9Fh ;delay"},
        DelayCase{3, 1, "DB 8Ah ;delay"}, DelayCase{31, 31, "DB 9Fh ;delay"},
        // No time scale at all: no delay, however long the pause.
        DelayCase{0, 1, nullptr}, DelayCase{0, 100000000, nullptr}));

// The delay bytes written for a pause play that pause up to the longest one
// delay holds; a longer one is written whole, plays shorter and is counted.
TEST(ListingPause, LongerThanOneDelayPlaysShortAndIsCounted) {
    const struct {
        std::int64_t units;
        std::int64_t played;
        std::int64_t playedShort;
    } cases[] = {
        {1, 1, 0},         {128, 128, 0},     {129, 129, 0},
        {16384, 16384, 0}, {16385, 1 + 2, 1}, {2097153, 1 + 129, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        tonvell::ListingWriter w;
        w.StartTime(32);  // one tick is one unit
        w.Advance(c.units);
        w.Emit(0x51, 0xE2);
        const auto delay = w.Block().first(w.Block().size() - 2);
        EXPECT_EQ(tonvell::zum::PlayedDelayUnits(delay), c.played);
        EXPECT_EQ(w.DelaysPlayedShort(), c.playedShort);
        w.Advance(1);
        w.Emit(0x51, 0x80);
        EXPECT_EQ(w.DelaysPlayedShort(), c.playedShort);
        w.StartTime(32);
        EXPECT_EQ(w.DelaysPlayedShort(), 0);
    }
}

TEST(ListingPause, UnitIsAThirtySecondOfAQuarter) {
    const std::vector<std::pair<std::uint16_t, float>> cases = {
        {96, 3.0f}, {100, 3.0f}, {480, 15.0f}, {65535, 2047.0f}, {31, 0.96875f}, {0, 0.0f}};
    for (auto [ticks, unit] : cases) {
        tonvell::ListingWriter w;
        w.StartTime(ticks);
        EXPECT_EQ(w.DelayUnit(), unit) << ticks;
    }
}

TEST(ListingPause, PausesBelowHalfAUnitAreLostOneByOne) {
    // Unit 3: four commands one tick apart, three ticks in all, no delay line.
    tonvell::ListingWriter w;
    w.StartTime(96);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            w.Advance(1);
        }
        w.Emit(0x51, 0xE0);
    }
    EXPECT_THAT(DataLinesOf(w),
                ElementsAre("DB 51h, E0h", "DB 51h, E0h", "DB 51h, E0h", "DB 51h, E0h"));
}

TEST(ListingPause, EachPauseCountsFromThePreviousCommand) {
    tonvell::ListingWriter w;
    w.StartTime(96);
    w.Advance(2);  // half a unit or more after tick 0: the first command gets a delay
    w.Emit(0x0E, 0x87);
    w.Emit(0x01, 0xC0);  // same tick: no delay line
    w.Advance(96);
    w.Emit(0x01, 0x80);
    EXPECT_THAT(DataLinesOf(w), ElementsAre("DB 80h ;delay", "DB 0Eh, 87h", "DB 01h, C0h",
                                            "DB 9Fh ;delay", "DB 01h, 80h"));
}

// --- Frame, byte count and statistics ----------------------------------------

TEST(ListingFrame, NoCommandsGiveTheBareFrame) {
    tonvell::ListingWriter w;
    w.StartTime(96);
    const auto stats = w.Finish({});
    EXPECT_THAT(ListingOf(w, "empty.mid"),
                ElementsAre("; ", "; empty.mid", "; ", "DWL 1 ;size in bytes", "; ",
                            "DB 00h ;end of block"));
    EXPECT_THAT(stats,
                ElementsAre("Всего: 1 байт, 0 нот", "Превыш. полифонии: 0", "Выключенных нот: 0"));
}

TEST(ListingFrame, StatisticsCarryTheCounters) {
    tonvell::ListingWriter w;
    w.StartTime(96);
    w.Emit(0x51, 0xE0);
    w.Advance(9600);  // 3200 units: two delay bytes
    w.Emit(0x51, 0x80);
    const auto stats = w.Finish({1234, 56, 7});
    EXPECT_THAT(ListingOf(w, "песня.mid"),
                ElementsAre("; ", "; песня.mid", "; ", "DWL 7 ;size in bytes", "; ", "DB 51h, E0h",
                            "DB FFh, 98h ;delay", "DB 51h, 80h", "DB 00h ;end of block"));
    EXPECT_THAT(stats, ElementsAre("Всего: 7 байт, 1234 нот", "Превыш. полифонии: 7",
                                   "Выключенных нот: 56"));
}

TEST(ListingFrame, StartTimeBeginsAFreshCount) {
    tonvell::ListingWriter w;
    w.StartTime(96);
    w.Advance(500);
    w.Emit(0x51, 0xE0);
    w.StartTime(96);
    w.Emit(0x51, 0xE0);  // at tick 0 of the new conversion: no delay
    EXPECT_THAT(ListingOf(w, "b.mid"), ElementsAre("; ", "; b.mid", "; ", "DWL 3 ;size in bytes",
                                                   "; ", "DB 51h, E0h", "DB 00h ;end of block"));
}

// The byte count is 2 per command line plus the delay bytes plus the end byte,
// the size line and the statistics agree, and every data line is well formed.
class ListingByteCount : public ::testing::TestWithParam<std::vector<std::int64_t>> {};

TEST_P(ListingByteCount, SizeLineMatchesTheDataBlock) {
    tonvell::ListingWriter w;
    w.StartTime(96);
    for (std::int64_t pause : GetParam()) {
        w.Advance(pause);
        w.Emit(0x51, 0xE0);
    }
    const auto stats = w.Finish({});
    const Lines lines = ListingOf(w, "x.mid");
    ASSERT_GE(lines.size(), 6u);

    int commands = 0;
    int delayBytes = 0;
    bool afterDelay = false;
    for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        SCOPED_TRACE(line);
        ASSERT_EQ(line.rfind("DB ", 0), 0u);
        const bool isDelay = line.size() > 7 && line.substr(line.size() - 7) == " ;delay";
        if (isDelay) {
            EXPECT_FALSE(afterDelay) << "two delay lines in a row";
            const std::string bytes = line.substr(3, line.size() - 10);
            delayBytes += static_cast<int>((bytes.size() + 2) / 5);  // "XXh, " per byte
            for (std::size_t b = 0; b < bytes.size(); b += 5) {
                EXPECT_GE(bytes[b], '8');  // bit 7 set
                EXPECT_EQ(bytes[b + 2], 'h');
            }
        } else {
            EXPECT_EQ(line.size(), 11u);
            ++commands;
        }
        afterDelay = isDelay;
    }
    EXPECT_FALSE(afterDelay) << "a delay line must be followed by its command";
    const std::int64_t expected = 2 * commands + delayBytes + 1;
    EXPECT_EQ(w.ByteCount(), expected);
    EXPECT_EQ(lines[3], "DWL " + std::to_string(expected) + " ;size in bytes");
    EXPECT_EQ(stats[0], "Всего: " + std::to_string(expected) + " байт, 0 нот");
    EXPECT_EQ(lines.back(), "DB 00h ;end of block");
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ListingByteCount,
    ::testing::Values(std::vector<std::int64_t>{}, std::vector<std::int64_t>{0, 0, 0},
                      std::vector<std::int64_t>{1, 2, 3, 4, 5, 96, 384, 385},
                      std::vector<std::int64_t>{2, 49152, 49155, 6291456, 6291459, 1},
                      std::vector<std::int64_t>{9000000000, 0, 3, 1}));

}  // namespace

namespace {

// The input's name is one line of the listing whatever it holds.
TEST(ListingFileName, ControlCharactersBecomeQuestionMarks) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"song.mid", "song.mid"},
        {"песня 1.mid", "песня 1.mid"},
        {"two\nlines.mid", "two?lines.mid"},
        {"odd\r.mid", "odd?.mid"},
        {"tab\there\x7f.mid", "tab?here?.mid"},
        {"\x1b[31mred.mid", "?[31mred.mid"},
        {"next\xC2\x85line.mid", "next?line.mid"},  // U+0085
        {"sep\xE2\x80\xA8"
         "arator.mid",
         "sep?arator.mid"},                      // U+2028
        {"bad\xFF\xC3.mid", "bad\xFF\xC3.mid"},  // not UTF-8: left as it is
        // Broken sequences pass byte by byte, and what follows them stays:
        // an overlong line feed is no line break, a stray lead takes no letter.
        {"over\xC0\x8Along.mid", "over\xC0\x8Along.mid"},
        {"\xD0"
         "A.mid",
         "\xD0"
         "A.mid"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tonvell::ListingFileName(c.name), c.shown) << c.name;
        EXPECT_EQ(tonvell::ListingLines(c.name, {})[1], std::string("; ") + c.shown);
    }
}

}  // namespace
