#pragma once
// One conversion of a MIDI file into the four texts of the window (event log,
// input report, listing, statistics) and the messages met on the way.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/text_sink.h"

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

    std::vector<std::string> eventLog;  // Memo1
    std::string sizeLine;               // Memo4 line 0
    // Memo4 line 1: the refusal or the last progress line. Empty optional
    // means the conversion did not touch it (no event was read).
    std::optional<std::string> progressLine;
    std::vector<std::string> listing;       // Memo2
    std::array<std::string, 3> statistics;  // Memo3, blank unless finished
    std::vector<std::string> messages;      // message-box texts, in order met
    bool cutShort = false;                  // the file ended inside an event
    // The event log and the listing as one text each (every line followed by
    // "\n"), with ConvertOptions::eventLogAsText and listingAsText.
    std::string eventLogText;
    std::string listingText;
};

struct ConvertOptions {
    // The event log has a line for every event and pause; a caller that never
    // shows it leaves it out (eventLog then stays empty) and saves most of the
    // conversion's time and memory. Everything else is the same either way.
    bool eventLog = true;
    // Likewise the listing, for a caller that only wants the event log and the
    // statistics (listing then stays empty).
    bool listing = true;
    // The event log and the listing come as one text each in eventLogText and
    // listingText (every line followed by "\n") instead of a string per line in
    // eventLog and listing, which stay empty. For callers that write them out
    // rather than show them.
    bool eventLogAsText = false;
    bool listingAsText = false;
    // With a sink, the listing is handed to it in pieces (whole lines, each
    // followed by "\n") once the walk is done, and listing and listingText
    // stay empty: only the data block is kept meanwhile, a tenth of the
    // text's size.
    TextSink listingSink = nullptr;
    // Lines handed to the sink end in CR LF instead, as in a type-1 file.
    bool listingCrLf = false;
    // With a sink, the event log is handed to it in pieces (whole lines, each
    // followed by "\n") as the walk goes, and eventLog and eventLogText stay
    // empty.
    TextSink eventLogSink = nullptr;
};

struct ConvertHooks {
    // Called first of all: stops any playback and rewinds the player.
    std::function<void()> rewind;
};

inline constexpr char kTimeFieldTooLong[] = "Time field is too long";
inline constexpr char kFieldTooLong[] = "Field too long";
inline constexpr char kUnexpectedEnd[] = "Неожиданный конец файла";

// Converts the file at path. fileName for the listing is its last component.
ConversionResult Convert(const std::string& path, const ConvertHooks& hooks = {},
                         const ConvertOptions& options = {});

// Converts a file already in memory (fileName goes into the listing's second line).
ConversionResult ConvertBytes(std::span<const std::uint8_t> file, std::string_view fileName,
                              const ConvertOptions& options = {});

}  // namespace tonvell
