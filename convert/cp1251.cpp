// SPDX-License-Identifier: MIT
#include "convert/cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "convert/utf8.h"

namespace tonvell {

namespace {

// The characters of bytes 80h to FFh; 98h has none (U+FFFD stands for it).
constexpr std::array<std::uint16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The byte of c; 0 when Windows-1251 has none for it.
unsigned char EncodeCp1251(char32_t c) {
    if (c == 0xFFFD) {
        return 0;
    }
    const auto at = std::find(kUpperHalf.begin(), kUpperHalf.end(), c);
    return at == kUpperHalf.end() ? 0
                                  : static_cast<unsigned char>(0x80 + (at - kUpperHalf.begin()));
}

// The tag characters U+E0000 to U+E007F: invisible language marks, left out
// of the text as the system's converter on Linux has always left them out.
bool IsTagCharacter(char32_t c) {
    return c >= 0xE0000 && c <= 0xE007F;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        // A character Windows-1251 lacks and each broken piece of a sequence
        // become one '?'; what follows a broken sequence is converted.
        const Utf8Char ch = DecodeUtf8(utf8, at);
        at += ch.length;
        if (ch.valid && IsTagCharacter(ch.code)) {
            continue;
        }
        const unsigned char byte = !ch.valid        ? 0
                                   : ch.code < 0x80 ? static_cast<unsigned char>(ch.code)
                                                    : EncodeCp1251(ch.code);
        out += byte != 0 || (ch.valid && ch.code == 0) ? static_cast<char>(byte) : '?';
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    if (IsAscii(cp1251)) {
        return std::string(cp1251);
    }
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (const char c : cp1251) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte < 0x80 ? char32_t{byte} : char32_t{kUpperHalf[byte - 0x80]});
    }
    return out;
}

}  // namespace tonvell
