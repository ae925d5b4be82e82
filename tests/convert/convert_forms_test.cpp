// SPDX-License-Identifier: MIT
// The conversion's deliveries of its texts (collected as lines, streamed in
// pieces with LF or CR LF, skipped) and the writers that take or hand their
// bytes over in pieces must give exactly what the collected lines and the
// whole-text writers give: tonvell-cli writes through the streams, the window
// through the lines.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "output/listing_formats.h"
#include "tests/support/conversion_checks.h"
#include "tests/support/midi_builder.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::EndOfTrack;
using midi_test::Ev;
using tonvell::ConversionResult;
using tonvell::ConvertBytes;
using tonvell::ConvertOptions;
using tonvell::JoinLines;
using tonvell::ListingFileType;
using tonvell::TextDelivery;

// Many notes under running status, so that the listing and the event log run
// well past the pieces (some KiB) they are handed over in.
Bytes ManyNotes(int count) {
    Bytes track = Ev(0, {0x90, 0x3C, 0x40});
    const auto append = [&track](const Bytes& bytes) {
        track.insert(track.end(), bytes.begin(), bytes.end());
    };
    for (int i = 0; i < count; ++i) {
        const auto key = static_cast<std::uint8_t>(0x30 + i % 24);
        append(Ev(static_cast<std::uint32_t>(i % 3 == 0 ? 0 : 7 + i % 500), {key, 0x50}));
        append(Ev(static_cast<std::uint32_t>(i % 2), {key, 0x00}));
    }
    append(EndOfTrack());
    return track;
}

struct FormCase {
    const char* name;
    Bytes file;
    const char* fileName;
};

void PrintTo(const FormCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<FormCase> FormCases() {
    const Bytes notes =
        Cat({Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), Ev(0, {0xFF, 0x01, 0x03, 'a', 'b', 'c'}),
             Ev(0, {0xF0, 0x01, 0xF7}), Ev(0, {0x90, 0x3C, 0x40}), Ev(300, {0x3E, 0x40}),
             Ev(20000, {0x80, 0x3C, 0x00}), Ev(5, {0x90, 0x3E, 0x00}), EndOfTrack()});
    return {
        {"Format0", midi_test::Format0(96, notes), "song.mid"},
        {"Format1",
         midi_test::Format1(
             96, {Cat({Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), EndOfTrack()}), notes}),
         "two.mid"},
        {"CutShort", midi_test::Format0(96, Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(4, {0x3C})})),
         "cut.mid"},
        {"ShorterThanHeader", midi_test::Header(0, 1, 96), "short.mid"},
        {"Empty", {}, "empty.mid"},
        {"NoTimeScale", midi_test::Format0(0, notes), "zero.mid"},
        {"CyrillicName", midi_test::Format0(96, notes), "песня.mid"},
        {"CarriageReturnInName", midi_test::Format0(96, notes), "odd\r.mid"},
        {"NewlineInName", midi_test::Format0(96, notes), "two\nlines.mid"},
        {"Flood", midi_test::FloodFile(3000), "flood.mid"},
        {"Long", midi_test::Format0(480, ManyNotes(12000)), "long.mid"},
    };
}

class ConvertForms : public testing::TestWithParam<FormCase> {};

template <typename Render>
std::string Collect(Render&& render) {
    std::string bytes;
    render([&](std::string_view piece) { bytes += piece; });
    return bytes;
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

TEST_P(ConvertForms, StreamedAndSkippedMatchTheCollectedLines) {
    const FormCase& c = GetParam();
    const ConversionResult lines = ConvertBytes(c.file, c.fileName);
    const std::string log = JoinLines(lines.eventLog);
    const std::string listing = JoinLines(lines.listing);
    ASSERT_FALSE(lines.listing.empty());

    const ConversionResult noLog =
        ConvertBytes(c.file, c.fileName, {.eventLog = TextDelivery::Skip()});
    tonvell_test::ExpectSameOutcome(noLog, lines);
    EXPECT_TRUE(noLog.eventLog.empty());
    EXPECT_EQ(noLog.listing, lines.listing);

    const ConversionResult neither = ConvertBytes(
        c.file, c.fileName, {.eventLog = TextDelivery::Skip(), .listing = TextDelivery::Skip()});
    tonvell_test::ExpectSameOutcome(neither, lines);
    EXPECT_TRUE(neither.eventLog.empty());
    EXPECT_TRUE(neither.listing.empty());

    // Both handed over in pieces, each piece whole lines; nothing kept.
    for (const auto lineBreak : {tonvell::LineBreak::Lf, tonvell::LineBreak::CrLf}) {
        const bool crLf = lineBreak == tonvell::LineBreak::CrLf;
        SCOPED_TRACE(crLf ? "CR LF" : "LF");
        std::string streamedLog;
        std::string streamedListing;
        const auto into = [](std::string& text) {
            return [&text](std::string_view piece) {
                EXPECT_TRUE(piece.ends_with('\n'));
                text += piece;
            };
        };
        const ConversionResult streamed =
            ConvertBytes(c.file, c.fileName,
                         {.eventLog = TextDelivery::Stream(into(streamedLog), lineBreak),
                          .listing = TextDelivery::Stream(into(streamedListing), lineBreak)});
        tonvell_test::ExpectSameOutcome(streamed, lines);
        EXPECT_EQ(streamedLog, crLf ? WithCrLf(log) : log);
        EXPECT_EQ(streamedListing, crLf ? WithCrLf(listing) : listing);
        EXPECT_TRUE(streamed.eventLog.empty());
        EXPECT_TRUE(streamed.listing.empty());
    }
}

// The renderer fed a listing in pieces of whole lines, as the converter hands
// it over, with LF or CR LF line breaks: type-3 rows of 32 constants run on
// across pieces.
TEST_P(ConvertForms, RendererFedInPiecesMatchesTheWholeText) {
    const FormCase& c = GetParam();
    const std::vector<std::string>& lines = ConvertBytes(c.file, c.fileName).listing;
    const std::string listing = JoinLines(lines);
    for (const auto type : {ListingFileType::Inc, ListingFileType::Zum, ListingFileType::Txt}) {
        for (const bool crLf : {false, true}) {
            for (const std::size_t linesPerPiece : {std::size_t{1}, std::size_t{7}, lines.size()}) {
                SCOPED_TRACE(testing::Message() << static_cast<int>(type)
                                                << (crLf ? " CR LF, " : " LF, ") << linesPerPiece);
                const std::string pieced = Collect([&](const tonvell::ByteSink& sink) {
                    tonvell::ListingRenderer renderer(type, sink);
                    for (std::size_t i = 0; i < lines.size(); i += linesPerPiece) {
                        const std::vector<std::string> piece(
                            lines.begin() + static_cast<long>(i),
                            lines.begin() +
                                static_cast<long>(std::min(i + linesPerPiece, lines.size())));
                        const std::string text = JoinLines(piece);
                        renderer.Add(crLf ? WithCrLf(text) : text);
                    }
                });
                EXPECT_EQ(pieced, tonvell::RenderListingFile(listing, type));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ConvertForms, testing::ValuesIn(FormCases()),
                         [](const testing::TestParamInfo<FormCase>& info) {
                             return std::string(info.param.name);
                         });

// Edited listing texts: the type-1 renderer takes its fast paths only for
// ASCII with LF line breaks only or CR LF throughout; every text must come out
// as RenderInc has it.
TEST(ListingRenderer, EditedTextsMatchRenderInc) {
    const std::string longLine(70000, 'x');
    const std::vector<std::string> texts = {
        "",
        "DB 3Ch, 84h",                              // no final line break
        "a\nb\nc\nd\ne\nf\n\n\n",                   // several breaks within eight bytes
        "DB 3Ch, 84h\r\nDB 00h ;end of block\r\n",  // CR LF already there
        "1234567\r\n89abcde\r\n",                   // CR and LF in different eight-byte words
        "1234567\r\n89abcde\n",                     // the last line without its CR
        "\nfirst line empty\r\n",                   // LF with nothing before it
        "DB 3Ch, 84h\r\r\n",                        // CR CR LF
        "lone\rcarriage return\n",
        "lone carriage return at the end\r",
        "; песня\nDB 00h\n",  // converted to Windows-1251
        "\xFF\xFE broken UTF-8\n",
        longLine + "\n" + longLine,  // pieces longer than the buffer
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)));
        EXPECT_EQ(Collect([&](const tonvell::ByteSink& sink) {
                      tonvell::ListingRenderer(ListingFileType::Inc, sink).Add(text);
                  }),
                  tonvell::RenderInc(text));
    }
}

}  // namespace
