#pragma once
// Turns note and tempo commands into listing lines, with a delay line in front
// of every command that follows a pause, and frames the listing at the end.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/prefaulted_allocator.h"
#include "convert/text_sink.h"

namespace tonvell {

struct VoiceCounters {
    std::int32_t noteOnCount = 0;
    std::int32_t stealCount = 0;
    std::int32_t mutedPeak = 0;
};

class ListingWriter {
public:
    // Statistics box lines (Memo3): blank until Finish.
    using Statistics = std::array<std::string, 3>;

    // Clears the listing (conversion start, and after a refused file).
    void ClearListing() {
        lines_.clear();
        text_.clear();
        block_.clear();
    }

    // How the listing is kept: a string per line in Lines() (the default); one
    // text in Text() with each line followed by "\n" (as JoinListing would join
    // them); the data block's bytes in Block(), without the end byte, for
    // WriteListingText to turn into text later; or not at all (only counted).
    // A caller that only writes the listing out is spared a string per line;
    // one that only wants the statistics is spared the listing.
    enum class Form { Lines, Text, Block, None };
    void KeepAs(Form form) { form_ = form; }
    Form KeptAs() const { return form_; }

    // Sets the delay unit from the header's ticks per quarter note and zeroes the
    // byte count and the times. One unit is 1/32 of a quarter note.
    void StartTime(std::uint16_t ticksPerQuarter);

    // The reader advances the absolute time by every delta time it reads.
    void Advance(std::int64_t ticks) { now_ += ticks; }
    std::int64_t Now() const { return now_; }

    // Writes the pending delay line, if any, then the command line.
    void Emit(std::uint8_t command, std::uint8_t parameter);

    // Appends the end line and the header lines; returns the statistics lines.
    Statistics Finish(std::string_view fileName, const VoiceCounters& counters);

    std::int64_t ByteCount() const { return byteCount_; }
    float DelayUnit() const { return unit_; }
    std::vector<std::string>& Lines() { return lines_; }
    std::string& Text() { return text_; }
    using BlockBytes = std::vector<std::uint8_t, PrefaultedAllocator<std::uint8_t>>;
    BlockBytes& Block() { return block_; }

private:
    std::int64_t PendingUnits();
    void AddLines(std::string_view lines);  // one or more, each followed by "\n"

    Form form_ = Form::Lines;
    std::string text_;
    std::vector<std::string> lines_;
    BlockBytes block_;
    float unit_ = 0;
    std::int64_t now_ = 0;
    std::int64_t last_ = 0;
    std::int64_t byteCount_ = 0;
};

// How the lines of listing text handed on end.
enum class LineBreak { Lf, CrLf };

// Hands the listing of a data block kept in Form::Block to sink, in pieces of
// some kilobytes: the same text, header and end line included, that Form::Text
// keeps for it (with CR LF line breaks if asked for).
void WriteListingText(std::string_view fileName, std::span<const std::uint8_t> block,
                      const TextSink& sink, LineBreak lineBreak = LineBreak::Lf);

}  // namespace tonvell
