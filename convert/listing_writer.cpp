// SPDX-License-Identifier: MIT
#include "convert/listing_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "convert/byte_text.h"
#include "convert/utf8.h"
#include "convert/zum_protocol.h"

namespace tonvell {

namespace {

constexpr std::size_t kMaxDelayBytes = 10;  // 64 bits in groups of seven

// The delay bytes for units (at least 1): units - 1 in groups of seven bits,
// least significant first. Returns their count.
std::size_t DelayBytes(std::int64_t units, std::uint8_t* out) {
    std::size_t n = 0;
    for (auto v = static_cast<std::uint64_t>(units - 1);; v >>= zum::kDelayBitsPerByte) {
        out[n++] = zum::DelayByte(v);
        if (v <= zum::kDelayValueMask) {
            return n;
        }
    }
}

// Fills text with the delay line (when there are delay bytes) and the command
// line, each ending in LF (or CR LF); returns the length. text holds 96 bytes.
template <bool kCrLf>
std::size_t FormatCommandLines(char* text, const std::uint8_t* delay, std::size_t delayCount,
                               std::uint8_t command, std::uint8_t parameter) {
    constexpr std::string_view kDelayStart = "DB ";
    constexpr std::string_view kDelaySeparator = ", ";
    constexpr std::string_view kDelayEnd = kCrLf ? " ;delay\r\n" : " ;delay\n";
    constexpr std::string_view kCommand = kCrLf ? "DB 00h, 00h\r\n" : "DB 00h, 00h\n";
    std::size_t n = 0;
    if (delayCount > 0) {
        std::memcpy(text, kDelayStart.data(), kDelayStart.size());
        n = kDelayStart.size();
        for (std::size_t i = 0; i < delayCount; ++i) {
            if (i > 0) {
                std::memcpy(text + n, kDelaySeparator.data(), kDelaySeparator.size());
                n += kDelaySeparator.size();
            }
            WriteHex2(text + n, delay[i]);
            text[n + 2] = 'h';
            n += 3;
        }
        std::memcpy(text + n, kDelayEnd.data(), kDelayEnd.size());
        n += kDelayEnd.size();
    }
    std::memcpy(text + n, kCommand.data(), kCommand.size());
    WriteHex2(text + n + 3, command);
    WriteHex2(text + n + 8, parameter);
    return n + kCommand.size();
}

constexpr std::string_view kEndLine = "DB 00h ;end of block";

std::string HeaderText(std::string_view fileName, std::int64_t byteCount,
                       std::string_view lineBreak) {
    std::string text;
    text.append("; ").append(lineBreak);
    text.append("; ").append(ListingFileName(fileName)).append(lineBreak);
    text.append("; ").append(lineBreak);
    text.append("DWL " + std::to_string(byteCount) + " ;size in bytes").append(lineBreak);
    text.append("; ").append(lineBreak);
    return text;
}

template <bool kCrLf>
void WriteLines(std::string_view fileName, std::span<const std::uint8_t> block,
                const TextSink& sink) {
    constexpr std::string_view kLineBreak = kCrLf ? "\r\n" : "\n";
    sink(HeaderText(fileName, static_cast<std::int64_t>(block.size()) + 1, kLineBreak));
    // Filled through a pointer: this runs for every command of the listing.
    constexpr std::size_t kMaxCommandText = 96;
    // Left uninitialised, as make_unique_for_overwrite would (which the web
    // build's older standard library lacks): every byte is written before use.
    const std::unique_ptr<char[]> buffer(new char[kTextPieceBytes + kMaxCommandText]);
    char* const begin = buffer.get();
    char* out = begin;
    std::size_t at = 0;
    while (at < block.size()) {
        const std::size_t delayStart = at;
        while (at < block.size() && zum::IsDelayByte(block[at])) {
            ++at;
        }
        // A block from Emit always has a command pair after its delay bytes.
        if (block.size() - at < 2) {
            break;
        }
        const std::size_t delayCount = std::min(at - delayStart, kMaxDelayBytes);
        out += FormatCommandLines<kCrLf>(out, &block[at - delayCount], delayCount, block[at],
                                         block[at + 1]);
        at += 2;
        if (static_cast<std::size_t>(out - begin) >= kTextPieceBytes) {
            sink(std::string_view(begin, static_cast<std::size_t>(out - begin)));
            out = begin;
        }
    }
    std::memcpy(out, kEndLine.data(), kEndLine.size());
    out += kEndLine.size();
    std::memcpy(out, kLineBreak.data(), kLineBreak.size());
    out += kLineBreak.size();
    sink(std::string_view(begin, static_cast<std::size_t>(out - begin)));
}

// Collects whole lines handed on with "\n" breaks.
void SplitLines(std::string_view text, std::vector<std::string>& lines) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}

// A control character: C0, DEL, C1, and the line and paragraph separators
// that text boxes break lines at.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::string ListingFileName(std::string_view fileName) {
    std::string out;
    out.reserve(fileName.size());
    for (std::size_t i = 0; i < fileName.size();) {
        // Bytes that are not UTF-8 pass as the file name has them.
        const Utf8Char c = DecodeUtf8(fileName, i);
        if (c.valid && IsControl(c.code)) {
            out.push_back('?');
        } else {
            out.append(fileName.substr(i, c.length));
        }
        i += c.length;
    }
    return out;
}

void ListingWriter::StartTime(std::uint16_t ticksPerQuarter) {
    // From 32 ticks per quarter on, the unit is a whole number of ticks (the
    // remainder is dropped, as listings have always been timed). Below that the
    // integer division would give 0; the exact fraction keeps such files'
    // rhythm. With 0 ticks there is no time scale at all and no delay is written.
    if (ticksPerQuarter >= 32) {
        const int wholeTicks = ticksPerQuarter / 32;
        unit_ = static_cast<float>(wholeTicks);
    } else {
        unit_ = static_cast<float>(ticksPerQuarter) / 32.0f;
    }
    block_.clear();
    blockBytes_ = 0;
    delaysPlayedShort_ = 0;
    now_ = 0;
    last_ = 0;
}

std::int64_t ListingWriter::PendingUnits() {
    const std::int64_t ticks = now_ - last_;
    last_ = now_;  // a remainder below half a unit is dropped, not carried
    if (unit_ <= 0.0f || ticks == 0) {
        return 0;
    }
    const float x = static_cast<float>(static_cast<double>(ticks) / unit_ + 0.5);
    return static_cast<std::int64_t>(x);
}

void ListingWriter::Emit(std::uint8_t command, std::uint8_t parameter) {
    const std::int64_t units = PendingUnits();
    std::uint8_t bytes[kMaxDelayBytes + 2];
    const std::size_t delayCount = units >= 1 ? DelayBytes(units, bytes) : 0;
    if (units > zum::kLongestPlayedDelayUnits) {
        ++delaysPlayedShort_;
    }
    bytes[delayCount] = command;
    bytes[delayCount + 1] = parameter;
    blockBytes_ += static_cast<std::int64_t>(delayCount) + 2;
    if (keepBlock_) {
        block_.insert(block_.end(), bytes, bytes + delayCount + 2);
    }
}

std::string TotalBytesText(std::int64_t bytes) {
    return "Всего: " + std::to_string(bytes) + " байт";
}

Statistics ListingWriter::Finish(const VoiceCounters& counters) const {
    return {TotalBytesText(ByteCount()) + ", " + std::to_string(counters.noteOnCount) + " нот",
            "Превыш. полифонии: " + std::to_string(counters.mutedPeak),
            "Выключенных нот: " + std::to_string(counters.stealCount)};
}

std::string PassedOverText(const VoiceCounters& counters) {
    if (counters.passedOverCount == 0) {
        return "";
    }
    return "Пропущенных нот: " + std::to_string(counters.passedOverCount);
}

void WriteListingText(std::string_view fileName, std::span<const std::uint8_t> block,
                      const TextSink& sink, LineBreak lineBreak) {
    if (lineBreak == LineBreak::CrLf) {
        WriteLines<true>(fileName, block, sink);
    } else {
        WriteLines<false>(fileName, block, sink);
    }
}

void DeliverListing(std::string_view fileName, std::span<const std::uint8_t> block,
                    const TextDelivery& delivery, std::vector<std::string>& lines) {
    switch (delivery.GetMode()) {
        case TextDelivery::Mode::Skip:
            return;
        case TextDelivery::Mode::Stream:
            WriteListingText(fileName, block, delivery.Sink(), delivery.Break());
            return;
        case TextDelivery::Mode::Collect:
            // Most commands take two or three bytes of block and one line.
            lines.reserve(block.size() / 2 + 8);
            WriteListingText(fileName, block,
                             [&lines](std::string_view text) { SplitLines(text, lines); });
            return;
    }
}

std::vector<std::string> ListingLines(std::string_view fileName,
                                      std::span<const std::uint8_t> block) {
    std::vector<std::string> lines;
    DeliverListing(fileName, block, TextDelivery::Collect(), lines);
    return lines;
}

}  // namespace tonvell
