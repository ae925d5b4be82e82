// SPDX-License-Identifier: MIT
#pragma once
// Turns command pairs into the listing's data block, with delay bytes in front
// of every command that follows a pause, and the block into the listing's
// text: the frame of header lines, a delay line and a command line per
// command, and the end line.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/command_sink.h"
#include "convert/text_delivery.h"
#include "platform/prefaulted_allocator.h"

namespace tonvell {

struct VoiceCounters {
    std::int32_t noteOnCount = 0;
    std::int32_t stealCount = 0;
    std::int32_t mutedPeak = 0;
    // Note-ons passed over for their channel or their transposition.
    std::int32_t passedOverCount = 0;
};

// The three statistics lines of a finished conversion.
using Statistics = std::array<std::string, 3>;

// The line telling how many note-ons were passed over for their channel or
// their transposition; empty when none was.
std::string PassedOverText(const VoiceCounters& counters);

// "Всего: N байт": the size of an input file or of a data block, as the
// reports show it.
std::string TotalBytesText(std::int64_t bytes);

class ListingWriter final : public CommandSink {
public:
    // Sets the delay unit from the header's ticks per quarter note and starts
    // an empty block at time 0. One unit is 1/32 of a quarter note.
    void StartTime(std::uint16_t ticksPerQuarter);

    // Room for a block of about this many bytes.
    void Reserve(std::size_t bytes) { block_.reserve(bytes); }
    // Counts the block's bytes without keeping them, for a caller that skips
    // the listing and wants only the statistics.
    void CountOnly() { keepBlock_ = false; }

    // The reader advances the absolute time by every delta time it reads.
    void Advance(std::int64_t ticks) { now_ += ticks; }
    std::int64_t Now() const { return now_; }

    // Adds the pending delay bytes, if any, then the command pair.
    void Emit(std::uint8_t command, std::uint8_t parameter) override;

    // The data block so far, without the end byte; empty when only counted.
    std::span<const std::uint8_t> Block() const { return block_; }
    // The block's length with the end byte: the listing's size line.
    std::int64_t ByteCount() const { return blockBytes_ + 1; }
    float DelayUnit() const { return unit_; }
    // How many delays took more bytes than the player reads as one delay:
    // they are written whole but play shorter.
    std::int64_t DelaysPlayedShort() const { return delaysPlayedShort_; }

    // The statistics lines of the block with the voice counters.
    Statistics Finish(const VoiceCounters& counters) const;

private:
    std::int64_t PendingUnits();

    using BlockBytes = std::vector<std::uint8_t, PrefaultedAllocator<std::uint8_t>>;
    BlockBytes block_;
    std::int64_t blockBytes_ = 0;
    std::int64_t delaysPlayedShort_ = 0;
    bool keepBlock_ = true;
    float unit_ = 0;
    std::int64_t now_ = 0;
    std::int64_t last_ = 0;
};

// The comment and size lines above the data lines of a listing.
inline constexpr int kListingHeaderLines = 5;

// Hands the listing text of a data block (without its end byte) to sink, in
// pieces of whole lines of some kilobytes: header lines, data lines, end line.
void WriteListingText(std::string_view fileName, std::span<const std::uint8_t> block,
                      const TextSink& sink, LineBreak lineBreak = LineBreak::Lf);

// The listing of a data block as the delivery asks: collected into lines,
// handed to its sink, or nothing.
void DeliverListing(std::string_view fileName, std::span<const std::uint8_t> block,
                    const TextDelivery& delivery, std::vector<std::string>& lines);

// The listing text of a data block as lines.
std::vector<std::string> ListingLines(std::string_view fileName,
                                      std::span<const std::uint8_t> block);

// The input file's name as the listing's second line shows it: control
// characters (line breaks among them) become "?", so the name stays one line.
std::string ListingFileName(std::string_view fileName);

}  // namespace tonvell
