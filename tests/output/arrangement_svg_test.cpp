// SPDX-License-Identifier: MIT
// The arrangement picture's SVG is well-formed XML whatever the MIDI file's
// name holds: names that are not UTF-8, or hold characters XML does not
// allow, are written with U+FFFD in their place; and the exact document of a
// small picture.

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

Shape Text(double x, double y, std::string text) {
    Shape s;
    s.kind = Shape::Kind::Text;
    s.x = x;
    s.y = y;
    s.fill = 0x000000;
    s.text = std::move(text);
    return s;
}

// Every kind of shape and paint, and numbers with two, one and no decimals.
TEST(ArrangementSvg, SmallPictureGivesTheseBytes) {
    ArrangementPicture picture;
    picture.width = 120.5;
    picture.height = 40;
    Shape page;
    page.w = 120.5;
    page.h = 40;
    page.fill = 0xFFFFFF;
    picture.background.push_back(page);
    Shape grid;
    grid.kind = Shape::Kind::Line;
    grid.x = 4;
    grid.y = 30.126;
    grid.w = 100;
    grid.stroke = 0xB4B4B4;
    grid.dashed = true;
    picture.background.push_back(grid);
    Shape title = Text(60, 12, "Title");
    title.bold = true;
    title.anchor = Shape::Anchor::Middle;
    title.fontSize = 13;
    picture.background.push_back(title);
    Shape label = Text(100, 20, "C4");
    label.anchor = Shape::Anchor::End;
    picture.background.push_back(label);

    Shape sounding;
    sounding.x = 10.333;
    sounding.y = 20;
    sounding.w = 8.6666;
    sounding.h = 3;
    sounding.fill = 0x0072B2;
    sounding.stroke = 0x000000;
    sounding.strokeWidth = 1.5;
    Shape lost = sounding;
    lost.x = 19;
    lost.w = 2;
    lost.stroke = kNoColour;
    lost.opacity = 0.25;
    picture.notes.push_back({7, "C4 & D4", {sounding, lost}});

    EXPECT_EQ(ArrangementSvg(picture),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120.5\" height=\"40\" "
              "viewBox=\"0 0 120.5 40\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n"
              "<rect x=\"0\" y=\"0\" width=\"120.5\" height=\"40\" fill=\"#ffffff\"/>\n"
              "<line x1=\"4\" y1=\"30.13\" x2=\"104\" y2=\"30.13\" fill=\"none\" "
              "stroke=\"#b4b4b4\" stroke-width=\"1\" stroke-dasharray=\"3 2\"/>\n"
              "<text x=\"60\" y=\"12\" font-size=\"13\" font-weight=\"bold\" "
              "text-anchor=\"middle\" fill=\"#000000\">Title</text>\n"
              "<text x=\"100\" y=\"20\" font-size=\"11\" text-anchor=\"end\" "
              "fill=\"#000000\">C4</text>\n"
              "<g id=\"notes\">\n"
              "<g class=\"note\" id=\"n7\"><title>C4 &amp; D4</title>"
              "<rect x=\"10.33\" y=\"20\" width=\"8.67\" height=\"3\" fill=\"#0072b2\" "
              "stroke=\"#000000\" stroke-width=\"1.5\"/>"
              "<rect x=\"19\" y=\"20\" width=\"2\" height=\"3\" fill=\"#0072b2\" "
              "opacity=\"0.25\"/></g>\n"
              "</g>\n</svg>\n");
}

}  // namespace
}  // namespace tonvell
