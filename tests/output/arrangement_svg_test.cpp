// SPDX-License-Identifier: MIT
// The arrangement picture's SVG is well-formed XML whatever the MIDI file's
// name holds: names that are not UTF-8, or hold characters XML does not
// allow, are written with U+FFFD in their place.

#include "output/arrangement_svg.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/conversion.h"
#include "tests/support/midi_builder.h"
#include "tests/support/xml_check.h"

namespace tonvell {
namespace {

using tonvell_test::XmlError;

std::string SvgOf(const std::string& fileName) {
    const auto file = midi_test::Format0(
        96, {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    Arrangement arrangement;
    ConvertBytes(file, fileName,
                 {.eventLog = TextDelivery::Skip(),
                  .listing = TextDelivery::Skip(),
                  .arrangement = &arrangement});
    return ArrangementSvg(arrangement);
}

// count U+FFFD: one for each byte that begins no character.
std::string Unknown(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "\xEF\xBF\xBD";
    }
    return text;
}

TEST(ArrangementSvgTest, BadFileNamesStillMakeWellFormedXml) {
    const struct {
        const char* what;
        std::string name;
        std::string shown;  // as the title shows it
    } cases[] = {
        {"encoded surrogate", "a\xED\xA0\x80z.mid", "a" + Unknown(3) + "z.mid"},
        {"overlong slash", "a\xC0\xAFz.mid", "a" + Unknown(2) + "z.mid"},
        {"overlong three bytes", "a\xE0\x80\xAFz.mid", "a" + Unknown(3) + "z.mid"},
        {"U+FFFE", "a\xEF\xBF\xBEz.mid", "a" + Unknown(1) + "z.mid"},
        {"U+FFFF", "a\xEF\xBF\xBFz.mid", "a" + Unknown(1) + "z.mid"},
        {"past U+10FFFF", "a\xF4\x90\x80\x80z.mid", "a" + Unknown(4) + "z.mid"},
        {"cut short at the end", "az.mid\xE2\x82", "az.mid" + Unknown(1) + "<"},
        {"markup and a control character", "<b>&\"\x01.mid", "&lt;b&gt;&amp;&quot;?.mid"},
        {"letters beyond ASCII", "Привет ♪ 𝄞.mid", "Привет ♪ 𝄞.mid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string svg = SvgOf(c.name);
        EXPECT_EQ(XmlError(svg), "");
        EXPECT_NE(svg.find(">" + c.shown), std::string::npos) << svg.substr(0, 800);
    }
}

// The check the SVG is held against refuses what the old writer let through.
TEST(ArrangementSvgTest, XmlCheckRefusesMalformedDocuments) {
    const struct {
        const char* what;
        std::string document;
        bool wellFormed;
    } cases[] = {
        {"plain", "<?xml version=\"1.0\"?>\n<a b=\"1\"><c/>x &amp; &#x1D11E;</a>\n", true},
        {"encoded surrogate", "<a>\xED\xA0\x80</a>", false},
        {"U+FFFF", "<a>\xEF\xBF\xBF</a>", false},
        {"control character", "<a>\x01</a>", false},
        {"reference to a control character", "<a>&#1;</a>", false},
        {"bare ampersand", "<a>&</a>", false},
        {"unclosed", "<a><b></a>", false},
        {"attribute twice", "<a b=\"1\" b=\"2\"/>", false},
        {"two roots", "<a/><b/>", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(XmlError(c.document).empty(), c.wellFormed) << XmlError(c.document);
    }
}

}  // namespace
}  // namespace tonvell
