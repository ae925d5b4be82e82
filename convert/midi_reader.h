#pragma once
// Reports a MIDI file's header and walks its track, event by event, into the
// event log, the voice allocation and the listing writer.

#include <cstdint>
#include <span>

#include "convert/conversion.h"
#include "convert/listing_writer.h"
#include "convert/voice_allocator.h"

namespace tonvell {

inline constexpr std::size_t kHeaderBytes = 22;  // header chunk and first track header

struct MidiHeader {
    std::uint16_t ticksPerQuarter = 0;
    std::int32_t trackLength = 0;
};

// Appends the seven header lines; file must hold at least kHeaderBytes.
MidiHeader ReportHeader(std::span<const std::uint8_t> file, std::vector<std::string>& log);

// Where the walk's event log lines go: result.eventLog, result.eventLogText
// (each line followed by "\n"), or nowhere.
enum class EventLogForm { Lines, Text, None };

// Walks the events from offset 22 while the read position is below trackEnd,
// never reading at or beyond track.size(). With a log sink, the event log text
// is handed to it whenever some kilobytes have gathered; the rest stays in
// result.eventLogText.
void WalkTrack(std::span<const std::uint8_t> track, std::int64_t trackEnd, ListingWriter& writer,
               VoiceAllocator& voices, ConversionResult& result,
               EventLogForm logForm = EventLogForm::Lines, const TextSink& logSink = {});

}  // namespace tonvell
