// SPDX-License-Identifier: MIT
#pragma once
// Decoding one UTF-8 character, for the scanners that look at text character
// by character: the listing's file name line, the Windows-1251 conversion's
// replacement of what it cannot convert, and the checks for UTF-8 of the
// settings file and of a listing read back.

#include <cstddef>
#include <string_view>

namespace tonvell {

struct Utf8Char {
    char32_t code = 0;       // the character; 0 when not valid
    std::size_t length = 1;  // the bytes it takes, at least 1
    bool valid = false;
};

// The character at text[at] (at < text.size()), decoded strictly: no overlong
// forms, no surrogates, nothing above U+10FFFF. A sequence that is not
// well-formed is not valid; its length is then that of its longest start that
// could still have become a character (at least 1 byte), so a scanner that
// steps over it resumes at the first byte that broke it.
constexpr Utf8Char DecodeUtf8(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong forms
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return {0, 1, false};
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= text.size()) {
            return {0, k, false};
        }
        const auto next = static_cast<unsigned char>(text[at + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
            return {0, k, false};
        }
        code = (code << 6) | (next & 0x3F);
    }
    return {code, length, true};
}

// Whether all of text is strict UTF-8 (as DecodeUtf8 reads it).
constexpr bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Char c = DecodeUtf8(text, at);
        if (!c.valid) {
            return false;
        }
        at += c.length;
    }
    return true;
}

}  // namespace tonvell
