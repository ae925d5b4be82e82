// SPDX-License-Identifier: MIT
// The UTF-8 decoder the text scanners share, and the Windows-1251 conversion
// that steps over what it cannot convert with it.

#include "convert/utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/cp1251.h"

namespace {

struct DecodeCase {
    const char* name;
    std::string text;
    bool valid;
    std::size_t length;
    char32_t code;
};

class DecodeUtf8 : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeUtf8, DecodesOrTellsWhereTheSequenceBreaks) {
    const DecodeCase& c = GetParam();
    const tonvell::Utf8Char decoded = tonvell::DecodeUtf8(c.text, 0);
    EXPECT_EQ(decoded.valid, c.valid);
    EXPECT_EQ(decoded.length, c.length);
    EXPECT_EQ(decoded.code, c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DecodeUtf8,
    ::testing::Values(DecodeCase{"Ascii", "A", true, 1, U'A'},
                      DecodeCase{"Nul", std::string(1, '\0'), true, 1, 0},
                      DecodeCase{"TwoBytes", "\xD0\x96", true, 2, U'\u0416'},
                      DecodeCase{"ThreeBytes", "\xE2\x80\xA8", true, 3, U'\u2028'},
                      DecodeCase{"FourBytes", "\xF0\x9F\x8E\xB5", true, 4, U'\U0001F3B5'},
                      DecodeCase{"HighestCharacter", "\xF4\x8F\xBF\xBF", true, 4, U'\U0010FFFF'},
                      DecodeCase{"StrayContinuation",
                                 "\x80"
                                 "A",
                                 false, 1, 0},
                      DecodeCase{"OverlongTwoBytes", "\xC0\x8A", false, 1, 0},
                      DecodeCase{"OverlongThreeBytes", "\xE0\x80\x8A", false, 1, 0},
                      DecodeCase{"OverlongFourBytes", "\xF0\x80\x80\x8A", false, 1, 0},
                      DecodeCase{"Surrogate", "\xED\xA0\x80", false, 1, 0},
                      DecodeCase{"AboveTheLastCharacter", "\xF4\x90\x80\x80", false, 1, 0},
                      DecodeCase{"NoSuchLead", "\xF5\x80\x80\x80", false, 1, 0},
                      DecodeCase{"LeadBeforeAscii",
                                 "\xD0"
                                 "A",
                                 false, 1, 0},
                      DecodeCase{"BrokenThirdByte",
                                 "\xE2\x80"
                                 "A",
                                 false, 2, 0},
                      DecodeCase{"BrokenFourthByte",
                                 "\xF0\x9F\x8E"
                                 "A",
                                 false, 3, 0},
                      DecodeCase{"CutAtTheEnd", "\xF0\x9F\x8E", false, 3, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// One "?" for each character Windows-1251 lacks and for each broken sequence;
// what follows a broken sequence is converted, never swallowed with it.
TEST(Utf8ToCp1251, ReplacesWhatItCannotConvertAndKeepsWhatFollows) {
    const struct {
        std::string utf8;
        std::string cp1251;
    } cases[] = {
        {"\xD0\x96\xD0\xB0", "\xC6\xE0"},  // "Жа"
        {"a\xE4\xB8\xAD"
         "b",
         "a?b"},  // a CJK character
        {"a\xF0\x9F\x8E\xB5"
         "b",
         "a?b"},  // a character outside the BMP
        {"\xD0"
         "A.mid",
         "?A.mid"},  // a lead byte before ASCII
        {"x\xE2\x80"
         "yz",
         "x?yz"},                   // a sequence broken at its third byte
        {"\xFF\xD0\x96", "?\xC6"},  // a byte no sequence starts with
        {"end\xD0", "end?"},        // cut at the end
        {"\xC0\x8A"
         "A",
         "??A"},  // an overlong line feed: two bytes of nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tonvell::Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
    }
}

}  // namespace
