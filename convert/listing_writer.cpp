#include "convert/listing_writer.h"

#include "convert/byte_text.h"

namespace tonvell {

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
    if (unit_ <= 0.0f) {
        return 0;
    }
    const float x = static_cast<float>(static_cast<double>(ticks) / unit_ + 0.5);
    return static_cast<std::int64_t>(x);
}

void ListingWriter::Emit(std::uint8_t command, std::uint8_t parameter) {
    const std::int64_t units = PendingUnits();
    if (units >= 1) {
        // Seven bits per delay byte, least significant group first, bit 7 set.
        std::string line = "DB ";
        std::int64_t v = units - 1;
        AppendByteText(line, static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
        ++byteCount_;
        while ((v >> 7) != 0) {
            v >>= 7;
            line += ", ";
            AppendByteText(line, static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
            ++byteCount_;
        }
        line += " ;delay";
        lines_.push_back(std::move(line));
    }
    std::string line = "DB ";
    AppendByteText(line, command);
    line += ", ";
    AppendByteText(line, parameter);
    lines_.push_back(std::move(line));
    byteCount_ += 2;
}

ListingWriter::Statistics ListingWriter::Finish(std::string_view fileName,
                                                const VoiceCounters& counters) {
    lines_.push_back("DB 00h ;end of block");
    ++byteCount_;
    const std::string count = std::to_string(byteCount_);
    std::vector<std::string> header = {"; ", "; " + std::string(fileName), "; ",
                                       "DWL " + count + " ;size in bytes", "; "};
    lines_.insert(lines_.begin(), std::make_move_iterator(header.begin()),
                  std::make_move_iterator(header.end()));
    return {"Всего: " + count + " байт, " + std::to_string(counters.noteOnCount) + " нот",
            "Превыш. полифонии: " + std::to_string(counters.mutedPeak),
            "Выключенных нот: " + std::to_string(counters.stealCount)};
}

}  // namespace tonvell
