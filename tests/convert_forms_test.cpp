// The conversion's other forms (event log and listing as one text, either one
// left out) and the writers that hand their bytes over in pieces must give
// exactly what the line forms and the whole-text writers give: tonvell-cli
// writes through them, the window through the others.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "output/listing_formats.h"
#include "tests/midi_builder.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::EndOfTrack;
using midi_test::Ev;
using tonvell::ConversionResult;
using tonvell::ConvertBytes;
using tonvell::ConvertOptions;
using tonvell::JoinListing;
using tonvell::ListingFileType;

// Many notes under running status, so that the listing and the event log run
// well past the writers' 64 KiB pieces.
Bytes ManyNotes(int count) {
    Bytes track = Ev(0, {0x90, 0x3C, 0x40});
    for (int i = 0; i < count; ++i) {
        const auto key = static_cast<std::uint8_t>(0x30 + i % 24);
        track =
            Cat({track, Ev(static_cast<std::uint32_t>(i % 3 == 0 ? 0 : 7 + i % 500), {key, 0x50}),
                 Ev(static_cast<std::uint32_t>(i % 2), {key, 0x00})});
    }
    return Cat({track, EndOfTrack()});
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
        {"Long", midi_test::Format0(480, ManyNotes(12000)), "long.mid"},
    };
}

class ConvertForms : public testing::TestWithParam<FormCase> {};

TEST_P(ConvertForms, TextAndLeftOutFormsMatchTheLines) {
    const FormCase& c = GetParam();
    const ConversionResult lines = ConvertBytes(c.file, c.fileName);
    const std::string log = JoinListing(lines.eventLog);
    const std::string listing = JoinListing(lines.listing);
    ASSERT_FALSE(lines.listing.empty());

    const auto expectSameOutcome = [&](const ConversionResult& r) {
        EXPECT_EQ(r.status, lines.status);
        EXPECT_EQ(r.sizeLine, lines.sizeLine);
        EXPECT_EQ(r.progressLine, lines.progressLine);
        EXPECT_EQ(r.statistics, lines.statistics);
        EXPECT_EQ(r.messages, lines.messages);
        EXPECT_EQ(r.cutShort, lines.cutShort);
    };

    const ConversionResult text =
        ConvertBytes(c.file, c.fileName, {.eventLogAsText = true, .listingAsText = true});
    expectSameOutcome(text);
    EXPECT_EQ(text.eventLogText, log);
    EXPECT_EQ(text.listingText, listing);
    EXPECT_TRUE(text.eventLog.empty());
    EXPECT_TRUE(text.listing.empty());

    const ConversionResult noLog = ConvertBytes(c.file, c.fileName, {.eventLog = false});
    expectSameOutcome(noLog);
    EXPECT_TRUE(noLog.eventLog.empty());
    EXPECT_TRUE(noLog.eventLogText.empty());
    EXPECT_EQ(noLog.listing, lines.listing);

    const ConversionResult noListing =
        ConvertBytes(c.file, c.fileName, {.listing = false, .eventLogAsText = true});
    expectSameOutcome(noListing);
    EXPECT_EQ(noListing.eventLogText, log);
    EXPECT_TRUE(noListing.listing.empty());
    EXPECT_TRUE(noListing.listingText.empty());
}

template <typename Render>
std::string Collect(Render&& render) {
    std::string bytes;
    render([&](std::string_view piece) { bytes += piece; });
    return bytes;
}

TEST_P(ConvertForms, PiecewiseWriterMatchesTheWholeText) {
    const FormCase& c = GetParam();
    const ConversionResult r = ConvertBytes(c.file, c.fileName);
    const std::string listing = JoinListing(r.listing);
    for (const auto type : {ListingFileType::Inc, ListingFileType::Zum, ListingFileType::Txt}) {
        SCOPED_TRACE(static_cast<int>(type));
        const std::string whole = tonvell::RenderListing(listing, type);
        EXPECT_EQ(Collect([&](const tonvell::ByteSink& sink) {
                      tonvell::RenderListingTo(listing, type, sink);
                  }),
                  whole);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ConvertForms, testing::ValuesIn(FormCases()),
                         [](const testing::TestParamInfo<FormCase>& info) {
                             return std::string(info.param.name);
                         });

// Edited listing texts: the piecewise type-1 writer takes the fast path only
// for ASCII without "\r"; every other text must come out as RenderInc has it.
TEST(RenderListingTo, EditedTextsMatchRenderInc) {
    const std::string longLine(70000, 'x');
    const std::vector<std::string> texts = {
        "",
        "DB 3Ch, 84h",                              // no final line break
        "a\nb\nc\nd\ne\nf\n\n\n",                   // several breaks within eight bytes
        "DB 3Ch, 84h\r\nDB 00h ;end of block\r\n",  // CR LF already there
        "lone\rcarriage return\n",
        "; песня\nDB 00h\n",  // converted to Windows-1251
        "\xFF\xFE broken UTF-8\n",
        longLine + "\n" + longLine,  // pieces longer than the buffer
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)));
        EXPECT_EQ(Collect([&](const tonvell::ByteSink& sink) {
                      tonvell::RenderListingTo(text, ListingFileType::Inc, sink);
                  }),
                  tonvell::RenderInc(text));
    }
}

}  // namespace
