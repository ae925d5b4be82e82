// SPDX-License-Identifier: MIT
#include "output/listing_formats.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "convert/byte_text.h"
#include "convert/cp1251.h"

namespace tonvell {

namespace {

// Calls f(line) for every line of Windows-1251 text, without its line break.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        f(line);
        if (last) {
            break;
        }
        start = end + 1;
    }
}

// What RenderInc does to an ASCII text, told from the text in one pass: a
// text without "\r" only gains a "\r" before every "\n"; one whose every
// "\n" already follows a "\r" stays as it is.
enum class IncText { LfOnly, CrLfThroughout, Other };

IncText ClassifyForInc(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    if (size == 0) {
        return IncText::LfOnly;
    }
    unsigned char high = bytes[0];
    unsigned char anyCr = bytes[0] == '\r';
    unsigned char lfWithoutCr = bytes[0] == '\n';
    std::size_t i = 1;
    // Blocks of 64 bytes, with nothing that leaves a block early and the
    // block's findings in locals: the compiler turns the inner loop into
    // vector instructions. A converted listing's pieces pass through here whole.
    for (; i + 64 <= size; i += 64) {
        unsigned char blockHigh = 0;
        unsigned char blockCr = 0;
        unsigned char blockLfWithoutCr = 0;
        const unsigned char* block = bytes + i;
        for (int k = 0; k < 64; ++k) {
            blockHigh |= block[k];
            blockCr |= block[k] == '\r';
            blockLfWithoutCr |= (block[k] == '\n') & (block[k - 1] != '\r');
        }
        high |= blockHigh;
        anyCr |= blockCr;
        lfWithoutCr |= blockLfWithoutCr;
    }
    for (; i < size; ++i) {
        high |= bytes[i];
        anyCr |= bytes[i] == '\r';
        lfWithoutCr |= (bytes[i] == '\n') & (bytes[i - 1] != '\r');
    }
    if ((high & 0x80) != 0) {
        return IncText::Other;
    }
    if (anyCr == 0) {
        return IncText::LfOnly;
    }
    return lfWithoutCr == 0 ? IncText::CrLfThroughout : IncText::Other;
}

bool IsDataLine(std::string_view line) {
    return line.size() >= 4 && line.starts_with("DB");
}

// Calls f(h) for the position of every "h" before the line's first ";".
template <typename F>
void ForEachByteField(std::string_view line, F&& f) {
    const std::size_t stop = std::min(line.find(';'), line.size());
    for (std::size_t i = 0; i < stop; ++i) {
        if (line[i] == 'h') {
            f(i);
        }
    }
}

}  // namespace

std::string RenderInc(std::string_view text) {
    const std::string bytes = Utf8ToCp1251(text);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    std::size_t start = 0;
    for (std::size_t nl = bytes.find('\n'); nl != std::string::npos; nl = bytes.find('\n', start)) {
        out.append(bytes, start, nl - start);
        if (nl == 0 || bytes[nl - 1] != '\r') {
            out += '\r';
        }
        out += '\n';
        start = nl + 1;
    }
    out.append(bytes, start);
    return out;
}

std::string RenderZum(std::string_view text) {
    const std::string bytes = Utf8ToCp1251(text);
    std::string out;
    ForEachLine(bytes, [&](std::string_view line) {
        if (!IsDataLine(line)) {
            return;
        }
        ForEachByteField(line, [&](std::size_t h) {
            out.push_back(static_cast<char>(ByteFieldValue(line, h)));
        });
    });
    return out;
}

std::string RenderTxt(std::string_view text) {
    int constantsInRow = 0;
    return RenderTxtPiece(text, constantsInRow);
}

std::string RenderTxtPiece(std::string_view text, int& constantsInRow) {
    const std::string bytes = Utf8ToCp1251(text);
    std::string out;
    ForEachLine(bytes, [&](std::string_view line) {
        if (line.size() >= 3 && line[0] == ';') {
            out += "//";
            out += line.substr(1);
            out += "\r\n";
        } else if (line.size() >= 6 && line.starts_with("DWL ")) {
            out += "//";
            out += line.substr(4);
            out += "\r\n";
        } else if (IsDataLine(line)) {
            ForEachByteField(line, [&](std::size_t h) {
                // The digits are copied as typed, not validated or re-cased.
                out += "0x";
                out += line.substr(h - 2, 2);
                out += ',';
                if (++constantsInRow == 32) {
                    out += "\r\n";
                    constantsInRow = 0;
                }
            });
        }
    });
    return out;
}

ListingFileType FileTypeByExtension(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::size_t slash = fileName.find_last_of("/\\");
    std::string ext;
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        ext = fileName.substr(dot + 1);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    if (ext == ExtensionOf(ListingFileType::Zum)) {
        return ListingFileType::Zum;
    }
    if (ext == ExtensionOf(ListingFileType::Txt)) {
        return ListingFileType::Txt;
    }
    return ListingFileType::Inc;
}

std::string_view ExtensionOf(ListingFileType type) {
    switch (type) {
        case ListingFileType::Zum:
            return "zum";
        case ListingFileType::Txt:
            return "txt";
        case ListingFileType::Inc:
            break;
    }
    return "inc";
}

std::string RenderListingFile(std::string_view text, ListingFileType type) {
    switch (type) {
        case ListingFileType::Zum:
            return RenderZum(text);
        case ListingFileType::Txt:
            return RenderTxt(text);
        case ListingFileType::Inc:
            break;
    }
    return RenderInc(text);
}

ListingRenderer::ListingRenderer(ListingFileType type, ByteSink sink)
    : type_(type), sink_(std::move(sink)) {}

void ListingRenderer::Add(std::string_view text) {
    switch (type_) {
        case ListingFileType::Zum:
            sink_(RenderZum(text));
            return;
        case ListingFileType::Txt:
            sink_(RenderTxtPiece(text, constantsInRow_));
            return;
        case ListingFileType::Inc:
            break;
    }
    switch (ClassifyForInc(text)) {
        case IncText::LfOnly:
            AddPlainInc(text);
            break;
        case IncText::CrLfThroughout:
            sink_(text);
            break;
        case IncText::Other:
            sink_(RenderInc(text));
            break;
    }
}

void ListingRenderer::AddPlainInc(std::string_view text) {
    // Eight bytes at a time, read at a fixed stride so that reads never wait
    // on the data. A word with no "\n" is copied as it is; a word with one
    // (most of them: lines are short) is copied, then its bytes from the "\n"
    // on are copied again one place further, after a "\r". Both cases run the
    // same instructions: with no "\n" the second copy lands in the room after
    // the word, which the next word overwrites. Words with two or more go byte
    // by byte.
    constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7F;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    constexpr std::size_t kPiece = std::size_t{32} * 1024;
    // Not zeroed: only what a piece fills is ever touched.
    if (!buffer_) {
        // Uninitialised (the web build's standard library has no
        // make_unique_for_overwrite): every byte is written before use.
        buffer_.reset(new char[kPiece + 32]);
    }
    char* const begin = buffer_.get();
    char* out = begin;
    const char* in = text.data();
    const char* const end = in + text.size();
    const auto flushIfFull = [&] {
        if (out - begin >= static_cast<std::ptrdiff_t>(kPiece)) {
            sink_(std::string_view(begin, static_cast<std::size_t>(out - begin)));
            out = begin;
        }
    };
    const auto copyByBytes = [&](const char* from, const char* to) {
        for (; from != to; ++from) {
            if (*from == '\n') {
                *out++ = '\r';
            }
            *out++ = *from;
        }
    };
    for (; end - in >= 8; in += 8) {
        std::uint64_t w;
        std::memcpy(&w, in, 8);
        const std::uint64_t x = w ^ (0x0101010101010101 * '\n');
        // High bit of each byte that is "\n" (no carries between bytes).
        const std::uint64_t newline = ~(((x & kLowBits) + kLowBits) | x) & kHighBits;
        if ((newline & (newline - 1)) != 0) {
            copyByBytes(in, in + 8);
        } else {
            const std::size_t count = newline != 0;
            // 8 when there is none: the top bit keeps the count defined.
            const auto at =
                static_cast<std::size_t>(std::countr_zero(newline | (1ULL << 63)) / 8) + 1 - count;
            const std::uint64_t rest = w >> ((8 * at) & 63);
            std::memcpy(out, &w, 8);
            out[at] = '\r';
            std::memcpy(out + at + 1, &rest, 8);
            out += 8 + count;
        }
        flushIfFull();
    }
    copyByBytes(in, end);
    if (out != begin) {
        sink_(std::string_view(begin, static_cast<std::size_t>(out - begin)));
    }
}

}  // namespace tonvell
