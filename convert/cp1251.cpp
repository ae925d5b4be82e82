// SPDX-License-Identifier: MIT
#include "convert/cp1251.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace tonvell {

namespace {

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

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("no text converter from ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; at an unconvertible input sequence writes replacement and
    // skips skipLength(first byte) input bytes.
    template <typename Skip>
    std::string Run(std::string_view in, std::string_view replacement, Skip skipLength) {
        std::string out(in.size() * 3 + 16, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t used = 0;
        while (srcLeft > 0) {
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            used = out.size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL: replace one input character and go on.
            const std::size_t skip =
                std::min(srcLeft, skipLength(static_cast<unsigned char>(*src)));
            src += skip;
            srcLeft -= skip;
            if (out.size() - used < replacement.size()) {
                out.resize(out.size() * 2 + replacement.size());
            }
            std::copy(replacement.begin(), replacement.end(), out.begin() + used);
            used += replacement.size();
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    Converter converter("CP1251", "UTF-8");
    return converter.Run(utf8, "?", Utf8SequenceLength);
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    if (IsAscii(cp1251)) {
        return std::string(cp1251);
    }
    Converter converter("UTF-8", "CP1251");
    return converter.Run(cp1251, "\xEF\xBF\xBD", [](unsigned char) { return std::size_t{1}; });
}

}  // namespace tonvell
