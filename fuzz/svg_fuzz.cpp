// SPDX-License-Identifier: MIT
// Fuzz target: draws the arrangement of arbitrary bytes taken as a MIDI file
// under an arbitrary file name, and checks that the SVG is well-formed XML
// (tests/support/xml_check) whatever the file and its name hold.
//
// Input: the MIDI file's bytes, then the name's bytes, then one byte that
// gives the name's length (at most 64).
//
// A few bytes of delay make a piece of days, whose picture holds a grid line
// per second: tens of megabytes that take seconds to write under the
// sanitizers. Such pieces are left out, so the time goes to the texts, the
// only part of the picture that comes from outside; what is drawn for a long
// piece is the same shapes, more of them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "convert/conversion.h"
#include "output/arrangement_svg.h"
#include "tests/support/xml_check.h"

namespace {

constexpr double kLongestPieceSeconds = 600;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t nameLength = std::min<std::size_t>(data[size - 1] % 65, size - 1);
    const std::size_t fileLength = size - 1 - nameLength;
    const std::string name(reinterpret_cast<const char*>(data + fileLength), nameLength);
    tonvell::Arrangement arrangement;
    tonvell::ConvertBytes(std::span(data, fileLength), name,
                          {.eventLog = tonvell::TextDelivery::Skip(),
                           .listing = tonvell::TextDelivery::Skip(),
                           .arrangement = &arrangement});
    if (arrangement.end.seconds > kLongestPieceSeconds) {
        return 0;
    }
    const std::string svg = tonvell::ArrangementSvg(arrangement);
    if (const std::string error = tonvell_test::XmlError(svg); !error.empty()) {
        std::fprintf(stderr, "malformed SVG: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
