// SPDX-License-Identifier: MIT
#pragma once
// Merges the tracks of a format-1 file into one track that reads exactly like
// a format-0 track, so that files with a separate tempo track convert whole.

#include <cstdint>
#include <span>
#include <vector>

#include "convert/midi_event.h"
#include "convert/warnings.h"

namespace tonvell {

// The track chunks of a format-1 file, up to the number the header announces.
struct TrackChunks {
    std::vector<std::span<const std::uint8_t>> tracks;
    // The file ended before its tracks did: a chunk claims more bytes than
    // the file has, or fewer track chunks came than the header announces.
    bool cutShort = false;
    // For a file cut short, how many bytes of track are missing: what the cut
    // chunk still claimed, and for each missing track the average size of
    // those read. A walk's progress counts them as not yet read.
    std::int64_t missingBytes = 0;
};

// True for a format-1 header announcing two or more tracks.
bool ShouldMerge(std::span<const std::uint8_t> file);

// Needs at least midi::kTrackStart bytes of file. A chunk that claims more
// bytes than the file has is taken as far as the file goes.
TrackChunks FindTrackChunks(std::span<const std::uint8_t> file);

// Receives the events of the merged track in order, each as a format-0 track
// holds it: its delta time from the event before, its status byte always
// written. track holds the bytes that a body's offset points into.
class MergedEventSink {
public:
    virtual ~MergedEventSink() = default;
    virtual void Event(const MidiEvent& event, std::span<const std::uint8_t> track) = 0;
};

// Merges the chunks' events in time order (ties keep track order, then order
// within the track) into sink; an end of track follows unless the file was
// cut short. Over-long fields met in the chunks go to warnings.
void MergeEvents(const TrackChunks& chunks, WarningList& warnings, MergedEventSink& sink);

// The bytes a variable-length quantity of value takes.
constexpr std::size_t VarLenSize(std::uint32_t value) {
    std::size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

// The bytes a merged event takes in the merged track, its delta time included.
// Inline: the walk asks for it at every event.
inline std::size_t MergedSize(const MidiEvent& e) {
    const std::size_t delta = VarLenSize(e.delta);
    switch (e.kind) {
        case EventKind::Tempo:
            return delta + 6;
        case EventKind::Meta:
            return delta + 2 + VarLenSize(e.length) + e.length;
        case EventKind::SysEx:
            return delta + 1 + VarLenSize(e.length) + e.length;
        case EventKind::TwoData:
            return delta + 3;
        case EventKind::OneData:
            return delta + 2;
        case EventKind::NoBytes:
            break;
    }
    return delta;
}

}  // namespace tonvell
