#include "convert/listing_writer.h"

#include <cstring>

namespace tonvell {

namespace {

void WriteHex2(char* at, std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    at[0] = kDigits[byte >> 4];
    at[1] = kDigits[byte & 0x0F];
}

}  // namespace

void ListingWriter::StartTime(std::uint16_t ticksPerQuarter) {
    // Below 32 ticks per quarter the integer division would give a unit of 0;
    // the exact fraction keeps such files' rhythm. With 0 ticks there is no
    // time scale at all and no delay is written.
    if (ticksPerQuarter >= 32) {
        unit_ = static_cast<float>(ticksPerQuarter / 32);
    } else {
        unit_ = static_cast<float>(ticksPerQuarter) / 32.0f;
    }
    byteCount_ = 0;
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
    // The delay line and the command line are filled in one buffer, each with
    // its line break, and added at once: this runs for every note event.
    char text[96];  // a delay of at most 9 groups (63 bits) and the command
    std::size_t n = 0;
    if (units >= 1) {
        // Seven bits per delay byte, least significant group first, bit 7 set.
        std::int64_t v = units - 1;
        std::memcpy(text, "DB ", 3);
        n = 3;
        while (true) {
            WriteHex2(text + n, static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
            text[n + 2] = 'h';
            n += 3;
            ++byteCount_;
            v >>= 7;
            if (v == 0) {
                break;
            }
            std::memcpy(text + n, ", ", 2);
            n += 2;
        }
        std::memcpy(text + n, " ;delay\n", 8);
        n += 8;
    }
    std::memcpy(text + n, "DB 00h, 00h\n", 12);
    WriteHex2(text + n + 3, command);
    WriteHex2(text + n + 8, parameter);
    n += 12;
    AddLines({text, n});
    byteCount_ += 2;
}

void ListingWriter::AddLines(std::string_view lines) {
    if (form_ == Form::Text) {
        text_ += lines;
        return;
    }
    while (form_ == Form::Lines && !lines.empty()) {
        const std::size_t end = lines.find('\n');
        lines_.emplace_back(lines.substr(0, end));
        lines.remove_prefix(end + 1);
    }
}

ListingWriter::Statistics ListingWriter::Finish(std::string_view fileName,
                                                const VoiceCounters& counters) {
    AddLines("DB 00h ;end of block\n");
    ++byteCount_;
    const std::string count = std::to_string(byteCount_);
    std::vector<std::string> header = {"; ", "; " + std::string(fileName), "; ",
                                       "DWL " + count + " ;size in bytes", "; "};
    if (form_ == Form::Text) {
        std::string text;
        for (const auto& line : header) {
            text.append(line).push_back('\n');
        }
        text_.insert(0, text);
    } else if (form_ == Form::Lines) {
        lines_.insert(lines_.begin(), std::make_move_iterator(header.begin()),
                      std::make_move_iterator(header.end()));
    }
    return {"Всего: " + count + " байт, " + std::to_string(counters.noteOnCount) + " нот",
            "Превыш. полифонии: " + std::to_string(counters.mutedPeak),
            "Выключенных нот: " + std::to_string(counters.stealCount)};
}

}  // namespace tonvell
