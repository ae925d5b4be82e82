#pragma once
// Reports a MIDI file's header and walks its track, event by event, into the
// event log, the voice allocation and the listing writer.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "convert/event_log.h"
#include "convert/listing_writer.h"
#include "convert/voice_allocator.h"
#include "convert/warnings.h"

namespace tonvell {

struct MidiHeader {
    std::uint16_t ticksPerQuarter = 0;
    std::int32_t trackLength = 0;
};

// Adds the seven header lines to the log; file must hold at least
// midi::kTrackStart bytes.
MidiHeader ReportHeader(std::span<const std::uint8_t> file, EventLog& log);

// A track to walk: its events start at midi::kTrackStart and go on while the
// read position is below end; no byte at or beyond bytes.size() is read.
struct TrackBytes {
    std::span<const std::uint8_t> bytes;
    std::int64_t end = 0;
};

// Where the walk sends what it reads.
struct WalkStages {
    EventLog& log;           // a line per event and pause
    ListingWriter& listing;  // the time, and tempo commands
    VoiceAllocator& voices;  // note events
    WarningList& warnings;   // over-long fields
};

struct WalkOutcome {
    // The progress line of the last event read; none when no event was read.
    std::optional<std::string> progressLine;
    bool cutShort = false;  // the bytes ended inside an event
};

WalkOutcome WalkTrack(const TrackBytes& track, WalkStages stages);

}  // namespace tonvell
