// SPDX-License-Identifier: MIT
#pragma once
// Reports a MIDI file's header and walks its track, event by event, into the
// event log, the voice allocation and the listing writer.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "convert/event_log.h"
#include "convert/listing_writer.h"
#include "convert/midi_event.h"
#include "convert/voice_allocator.h"
#include "convert/warnings.h"

namespace tonvell {

struct MidiHeader {
    std::uint16_t ticksPerQuarter = 0;
    std::int32_t trackLength = 0;
    // The length field as the file states it: one of FFFFFFFF claims more
    // bytes than any file has, so the walk ends at the file's end, cut short.
    std::int64_t UnsignedTrackLength() const { return static_cast<std::uint32_t>(trackLength); }
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
    // Told of every note event's outcome and of time signatures; none by default.
    ArrangementObserver* arrangement = nullptr;
    // Where tempo commands go when not straight to the listing writer.
    CommandSink* tempoCommands = nullptr;
};

struct WalkOutcome {
    // The progress line of the last event read; none when no event was read.
    std::optional<std::string> progressLine;
    bool cutShort = false;  // the bytes ended inside an event
};

// Takes a track's events one by one into the stages: a pause line and the
// time for every event, its log line, tempo commands, note events.
class TrackWalker {
public:
    explicit TrackWalker(WalkStages stages) : stages_(stages) {}

    // One event, which starts at position at of the track; a meta event's
    // body lies in bytes.
    void Event(const MidiEvent& event, std::int64_t at, std::span<const std::uint8_t> bytes);
    // The track's bytes ended inside the event that starts at at.
    void CutShort(std::int64_t at);
    // The outcome of a walk of a track that ends at end.
    WalkOutcome Finish(std::int64_t end) const;

private:
    void ObserveTimeSignature(const MidiEvent& event, std::span<const std::uint8_t> bytes) const;

    WalkStages stages_;
    std::int64_t lastEventStart_ = -1;
    bool cutShort_ = false;
};

WalkOutcome WalkTrack(const TrackBytes& track, WalkStages stages);

}  // namespace tonvell
