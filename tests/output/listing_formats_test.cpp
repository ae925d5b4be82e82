// SPDX-License-Identifier: MIT
// The three file forms of a listing: the listing text (.inc), the raw data
// block (.zum) and the hexadecimal constants (.txt), and how a writer is chosen.

#include "output/listing_formats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "tests/support/midi_builder.h"

namespace tonvell {
namespace {

const std::vector<std::string> kSongListing = {
    "; ",          "; song.mid",    "; ",          "DWL 7 ;size in bytes", "; ", "DB 80h ;delay",
    "DB 51h, F0h", "DB 83h ;delay", "DB 51h, 80h", "DB 00h ;end of block"};

const char kSongInc[] =
    "; \r\n; song.mid\r\n; \r\nDWL 7 ;size in bytes\r\n; \r\nDB 80h ;delay\r\nDB 51h, F0h\r\n"
    "DB 83h ;delay\r\nDB 51h, 80h\r\nDB 00h ;end of block\r\n";
const std::string kSongZum("\x80\x51\xF0\x83\x51\x80\x00", 7);
const char kSongTxt[] = "// song.mid\r\n//7 ;size in bytes\r\n0x80,0x51,0xF0,0x83,0x51,0x80,0x00,";

// The same lines with every break written as CR LF, as a text pasted from a
// saved .inc file holds them.
std::string JoinWithCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

TEST(ListingFormats, SongListingInEachForm) {
    for (const std::string& text : {JoinLines(kSongListing), JoinWithCrLf(kSongListing)}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(RenderInc(text), kSongInc);
        EXPECT_EQ(RenderZum(text), kSongZum);
        EXPECT_EQ(RenderTxt(text), kSongTxt);
        EXPECT_EQ(RenderListingFile(text, ListingFileType::Inc), kSongInc);
        EXPECT_EQ(RenderListingFile(text, ListingFileType::Zum), kSongZum);
        EXPECT_EQ(RenderListingFile(text, ListingFileType::Txt), kSongTxt);
    }
}

// "0xNN," for the byte values from..to.
std::string Constants(int from, int to) {
    std::string out;
    for (int value = from; value <= to; ++value) {
        char field[8];
        std::snprintf(field, sizeof field, "0x%02X,", value);
        out += field;
    }
    return out;
}

// A listing whose data lines hold the bytes 1..count, three to a line, so that
// rows of constants do not line up with the listing's lines.
std::string ListingOfBytes(int count) {
    std::vector<std::string> lines = {"; ", "; big.mid", "; ", "DWL 0 ;size in bytes", "; "};
    for (int value = 1; value <= count;) {
        std::string line = "DB ";
        for (int i = 0; i < 3 && value <= count; ++i, ++value) {
            char field[16];
            std::snprintf(field, sizeof field, "%s%02Xh", i == 0 ? "" : ", ", value);
            line += field;
        }
        lines.push_back(line);
    }
    return JoinLines(lines);
}

TEST(ListingFormats, TxtBreaksRowsAfterThirtyTwoConstants) {
    const std::string head = "// big.mid\r\n//0 ;size in bytes\r\n";
    const struct {
        int count;
        std::string constants;
    } cases[] = {
        {1, Constants(1, 1)},
        {31, Constants(1, 31)},
        {32, Constants(1, 32) + "\r\n"},
        {33, Constants(1, 32) + "\r\n" + Constants(33, 33)},
        {64, Constants(1, 32) + "\r\n" + Constants(33, 64) + "\r\n"},
        {65, Constants(1, 32) + "\r\n" + Constants(33, 64) + "\r\n" + Constants(65, 65)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        const std::string text = ListingOfBytes(c.count);
        EXPECT_EQ(RenderTxt(text), head + c.constants);
        std::string bytes;
        for (int value = 1; value <= c.count; ++value)
            bytes.push_back(static_cast<char>(value));
        EXPECT_EQ(RenderZum(text), bytes);
    }
}

// Listings as a user may leave them after editing: the writers take them as
// they stand, without checking the grammar.
TEST(ListingFormats, EditedLines) {
    const struct {
        const char* what;
        std::string text;
        std::string zum;
        std::string txt;
    } cases[] = {
        {"one-digit byte: the space counts as 0", "DB 5h\n", "\x05", "0x 5,"},
        {"lower-case digits keep their case in .txt", "DB 3ch\n", "\x3C", "0x3c,"},
        {"h in a comment after ; is no byte", "DB 51h ;high note\n", "\x51", "0x51,"},
        {"h after ; with no space before it", "DB 0Eh, 87h;hh\n", "\x0E\x87", "0x0E,0x87,"},
        {"h before ; counts wherever it stands", "DB 12h, oh ;x\n", std::string("\x12\x00", 2),
         "0x12,0x o,"},
        {"characters that are no digits count as 0", "DB xyzh\n", std::string(1, '\0'), "0xyz,"},
        {"h right after DB takes B and the space", "DB h\n", "\xB0", "0xB ,"},
        {"lower-case db", "db 51h, 80h\n", "", ""},
        {"leading spaces", "  DB 51h, 80h\n", "", ""},
        {"line shorter than four characters", "DBh\n", "", ""},
        {"a semicolon and a space", "; \n", "", ""},
        {"a lone semicolon", ";\n", "", ""},
        {"comment of three characters", "; x\n", "", "// x\r\n"},
        {"h in a comment line", ";;h 12h\n", "", "//;h 12h\r\n"},
        {"size line", "DWL 12 ;size\n", "", "//12 ;size\r\n"},
        {"size line shorter than six characters", "DWL 7\n", "", ""},
        {"size line without its space", "DWL7 ;size\n", "", ""},
        {"empty listing", "", "", ""},
        {"the box's initial single empty line", "\n", "", ""},
        {"no break after the last line", "DB 51h\nDB 80h", "\x51\x80", "0x51,0x80,"},
        {"comment after a partly filled row continues it", "DB 01h\n; note\nDB 02h\n", "\x01\x02",
         "0x01,// note\r\n0x02,"},
        {"Cyrillic letter as a digit counts as 0", "DB 5Жh\n", "\x50", "0x5\xC6,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RenderZum(c.text), c.zum);
        EXPECT_EQ(RenderTxt(c.text), c.txt);
    }
}

// The listing box text is UTF-8; files hold Windows-1251.
TEST(ListingFormats, TextIsWrittenInWindows1251) {
    const struct {
        const char* what;
        std::string text;
        std::string inc;
        std::string txt;
    } cases[] = {
        {"comment line", "; Привет\n", "; \xCF\xF0\xE8\xE2\xE5\xF2\r\n",
         "// \xCF\xF0\xE8\xE2\xE5\xF2\r\n"},
        {"file-name line", "; песня.mid\n", "; \xEF\xE5\xF1\xED\xFF.mid\r\n",
         "// \xEF\xE5\xF1\xED\xFF.mid\r\n"},
        {"letters beyond the alphabet's block", "; Ёё №\n", "; \xA8\xB8 \xB9\r\n",
         "// \xA8\xB8 \xB9\r\n"},
        {"size line with a comment", "DWL 7 ;размер\n", "DWL 7 ;\xF0\xE0\xE7\xEC\xE5\xF0\r\n",
         "//7 ;\xF0\xE0\xE7\xEC\xE5\xF0\r\n"},
        {"characters Windows-1251 cannot hold", "; ß 日 😀 é\n", "; ? ? ? ?\r\n", "// ? ? ? ?\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RenderInc(c.text), c.inc);
        EXPECT_EQ(RenderTxt(c.text), c.txt);
        EXPECT_EQ(RenderZum(c.text), "");
    }
}

TEST(ListingFormats, IncWritesEveryBreakAsOneCrLf) {
    const struct {
        std::string text;
        std::string inc;
    } cases[] = {
        {"", ""},
        {"\n", "\r\n"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\r\nb\nc", "a\r\nb\r\nc"},
        {"\n\n", "\r\n\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RenderInc(c.text), c.inc) << "text: " << ::testing::PrintToString(c.text);
    }
}

TEST(ListingFormats, TypeByExtension) {
    const struct {
        const char* fileName;
        ListingFileType type;
    } cases[] = {
        {"song.zum", ListingFileType::Zum},
        {"song.ZUM", ListingFileType::Zum},
        {"/home/user/song.txt", ListingFileType::Txt},
        {"song.Txt", ListingFileType::Txt},
        {"song.inc", ListingFileType::Inc},
        {"song.mid", ListingFileType::Inc},
        {"song", ListingFileType::Inc},
        {"song.zum.bak", ListingFileType::Inc},
        {"/music/old.zum/song", ListingFileType::Inc},
        {"song.zumx", ListingFileType::Inc},
        {"", ListingFileType::Inc},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileTypeByExtension(c.fileName), c.type) << "name \"" << c.fileName << "\"";
    }
}

std::vector<std::uint8_t> Format0(const std::vector<std::uint8_t>& events) {
    return midi_test::Format0(96, events);
}

// The data block written for a converted listing is the block its size line
// counts, ending with the end byte.
TEST(ListingFormats, ConvertedListingGivesTheCountedBlock) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> events;
        std::string zum;
    } cases[] = {
        {"tempo and one note",
         {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40,
          0x00, 0xFF, 0x2F, 0x00},
         std::string("\x0E\x87\x51\xE0\x9F\x51\x80\x00", 8)},
        {"chord under running status and a long pause",
         {0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x83, 0x60, 0x3C, 0x00, 0x00, 0x40, 0x00, 0x00,
          0xFF, 0x2F, 0x00},
         ""},
        {"no notes", {0x00, 0xFF, 0x2F, 0x00}, std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ConversionResult r = ConvertBytes(Format0(c.events), "song.mid");
        ASSERT_GE(r.listing.size(), 4u);
        int counted = -1;
        ASSERT_EQ(std::sscanf(r.listing[3].c_str(), "DWL %d ;size in bytes", &counted), 1);
        const std::string text = JoinLines(r.listing);
        const std::string zum = RenderZum(text);
        EXPECT_EQ(static_cast<int>(zum.size()), counted);
        ASSERT_FALSE(zum.empty());
        EXPECT_EQ(zum.back(), '\0');
        if (!c.zum.empty()) {
            EXPECT_EQ(zum, c.zum);
        }

        // One constant per byte of the block, each with the block's digits.
        const std::string txt = RenderTxt(text);
        std::string fromTxt;
        for (std::size_t at = txt.find("0x"); at != std::string::npos;
             at = txt.find("0x", at + 1)) {
            fromTxt.push_back(static_cast<char>(std::stoi(txt.substr(at + 2, 2), nullptr, 16)));
        }
        EXPECT_EQ(fromTxt, zum);
    }
}

}  // namespace
}  // namespace tonvell
