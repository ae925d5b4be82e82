// SPDX-License-Identifier: MIT
#include "convert/cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

constexpr std::uint8_t kUndefinedByte = 0x98;

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The character of the well-formed two- or three-byte sequence at the start
// of text; 0 when there is none (every character Windows-1251 holds above
// ASCII is of two or three bytes).
char32_t DecodeTwoOrThreeBytes(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t length = Utf8SequenceLength(byte(0));
    if (length < 2 || length > 3 || text.size() < length)
        return 0;
    if (length == 2) {
        if (byte(0) < 0xC2 || !IsContinuation(byte(1)))
            return 0;
        return (char32_t{byte(0) & 0x1Fu} << 6) | (byte(1) & 0x3Fu);
    }
    if (!IsContinuation(byte(1)) || !IsContinuation(byte(2)))
        return 0;
    const char32_t c =
        (char32_t{byte(0) & 0x0Fu} << 12) | (char32_t{byte(1) & 0x3Fu} << 6) | (byte(2) & 0x3Fu);
    const bool overlong = c < 0x800;
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    return overlong || surrogate ? 0 : c;
}

// The byte of c; 0 when Windows-1251 has none for it.
unsigned char EncodeCp1251(char32_t c) {
    if (c == 0xFFFD)
        return 0;
    const auto at = std::find(kUpperHalf.begin(), kUpperHalf.end(), c);
    return at == kUpperHalf.end() ? 0
                                  : static_cast<unsigned char>(0x80 + (at - kUpperHalf.begin()));
}

// Whether text begins with a tag character (U+E0000 to U+E007F, F3 A0 80 80
// to F3 A0 81 BF): invisible language marks, left out of the text as the
// system's converter on Linux has always left them out.
bool StartsWithTagCharacter(std::string_view text) {
    return text.size() >= 4 && text.substr(0, 2) == "\xF3\xA0" &&
           (static_cast<unsigned char>(text[2]) == 0x80 ||
            static_cast<unsigned char>(text[2]) == 0x81) &&
           IsContinuation(static_cast<unsigned char>(text[3]));
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
    while (!utf8.empty()) {
        const auto lead = static_cast<unsigned char>(utf8.front());
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            utf8.remove_prefix(1);
            continue;
        }
        if (StartsWithTagCharacter(utf8)) {
            utf8.remove_prefix(4);
            continue;
        }
        // A character Windows-1251 lacks and a malformed sequence alike
        // become one '?' for the length its first byte announces.
        const unsigned char byte = EncodeCp1251(DecodeTwoOrThreeBytes(utf8));
        out += byte ? static_cast<char>(byte) : '?';
        utf8.remove_prefix(byte ? (lead < 0xE0 ? 2 : 3)
                                : std::min(utf8.size(), Utf8SequenceLength(lead)));
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
