// SPDX-License-Identifier: MIT
#pragma once
// One conversion of a MIDI file: its event log, input report, listing,
// statistics and warnings.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/arrangement.h"
#include "convert/channel_summary.h"
#include "convert/listing_writer.h"
#include "convert/note_choices.h"
#include "convert/text_delivery.h"
#include "convert/warnings.h"

namespace tonvell {

inline constexpr std::int64_t kMaxInputBytes = 250000;

struct ConversionResult {
    enum class Status {
        Converted,  // the file was read and walked (possibly cut short)
        TooLarge,   // refused: more than kMaxInputBytes
        NotOpened,  // missing, a folder, unreadable
    };
    Status status = Status::Converted;
    std::string failureReason;  // why the file could not be opened or read

    // The header report and a line per event and pause; kept only when
    // collected.
    std::vector<std::string> eventLog;
    // The input report: the size (or why there is none) and then the refusal
    // or the progress of the last event read. No progress line means the
    // conversion read no event.
    std::string sizeLine;
    std::optional<std::string> progressLine;
    // The listing's lines; kept only when collected.
    std::vector<std::string> listing;
    Statistics statistics;  // blank unless the file was converted
    // A further statistics line when note-ons were passed over for their
    // channel or their transposition; empty when none was.
    std::string passedOverLine;
    // Each warning once, in the order first met, with how often it occurred.
    std::vector<WarningCount> warnings;
    bool cutShort = false;  // the file ended inside an event or before its tracks
    // The file begins with "MThd" (midi::StartsAsMidi); anything else is
    // converted too, as the bare frame or whatever its bytes make.
    bool startsAsMidi = false;
    // The input's size in bytes, as the size line reports it (0 when not
    // opened).
    std::int64_t inputBytes = 0;
};

struct ConvertOptions {
    // Only what is delivered is made: a caller that never shows the event log
    // skips it and saves most of the conversion's time and memory. Everything
    // else in the result is the same whatever the choice.
    TextDelivery eventLog = TextDelivery::Collect();
    TextDelivery listing = TextDelivery::Collect();
    // When given, filled with the arrangement of the notes; conversions
    // without it do none of that work.
    Arrangement* arrangement = nullptr;
    // When given, filled with what each channel of the file holds.
    ChannelSummary* channels = nullptr;
    // The channels, transposition and notes kept that the voices play.
    NoteChoices choices{};
};

// The result for a file of size bytes, more than kMaxInputBytes: refused
// before any of it is read.
ConversionResult TooLargeResult(std::int64_t size);

// Converts the file at path. The listing names its last component.
ConversionResult Convert(const std::string& path, const ConvertOptions& options = {});

// Converts a file already in memory (fileName goes into the listing's second line).
ConversionResult ConvertBytes(std::span<const std::uint8_t> file, std::string_view fileName,
                              const ConvertOptions& options = {});

}  // namespace tonvell
