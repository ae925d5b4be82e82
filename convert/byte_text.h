// SPDX-License-Identifier: MIT
#pragma once
// Text forms of bytes used by the event log, the listing and its readers.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvell {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes exactly two upper-case hexadecimal digits ("3C") at at.
inline void WriteHex2(char* at, std::uint8_t byte) {
    at[0] = kHexDigits[byte >> 4];
    at[1] = kHexDigits[byte & 0x0F];
}

// Appends exactly two upper-case hexadecimal digits ("3C").
inline void AppendHex2(std::string& out, std::uint8_t byte) {
    char digits[2];
    WriteHex2(digits, byte);
    out.append(digits, 2);
}

// Appends a listing byte text: two upper-case digits and the letter h ("3Ch").
inline void AppendByteText(std::string& out, std::uint8_t byte) {
    AppendHex2(out, byte);
    out.push_back('h');
}

// Digit value of every 8-bit character code: 0-9, A-F and a-f give their value,
// every other code gives 0. The saver and the player read edited listings through
// it, so a stray character inside a byte field counts as the digit 0.
inline constexpr std::array<std::uint8_t, 256> HexDigitValue = [] {
    std::array<std::uint8_t, 256> table{};
    for (int c = '0'; c <= '9'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
    for (int c = 'a'; c <= 'f'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return table;
}();

// The byte written by a byte field whose "h" stands at text[h]; h must be >= 2.
inline std::uint8_t ByteFieldValue(std::string_view text, std::size_t h) {
    auto hi = HexDigitValue[static_cast<unsigned char>(text[h - 2])];
    auto lo = HexDigitValue[static_cast<unsigned char>(text[h - 1])];
    return static_cast<std::uint8_t>(16 * hi + lo);
}

}  // namespace tonvell
