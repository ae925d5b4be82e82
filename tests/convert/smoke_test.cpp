// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "convert/conversion.h"

namespace {

TEST(Smoke, WorkedExample) {
    const std::vector<std::uint8_t> file = {
        'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,    0,    1,    0,    96,
        'M',  'T',  'r',  'k',  0,    0,    0,    19,   0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1,
        0x20, 0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    auto r = tonvell::ConvertBytes(file, "song.mid");
    std::vector<std::string> expected = {
        "; ",          "; song.mid",    "; ",          "DWL 8 ;size in bytes", "; ", "DB 0Eh, 87h",
        "DB 51h, E0h", "DB 9Fh ;delay", "DB 51h, 80h", "DB 00h ;end of block"};
    EXPECT_EQ(r.listing, expected);
}

}  // namespace
