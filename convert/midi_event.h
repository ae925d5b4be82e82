// SPDX-License-Identifier: MIT
#pragma once
// Decoding of one track event from a byte buffer, bounded by the buffer's end.
//
// Tolerance: the reader trusts no length in the file. Every byte an event needs
// (delta time, status, data, tempo bytes, a skipped meta or system-exclusive
// body) must lie inside the bytes given; an event that runs past them is not
// decoded at all, and the caller ends its walk there.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "convert/midi_status.h"

namespace tonvell {

enum class EventKind {
    Tempo,    // FF 51: type, one length byte (not used), three tempo bytes
    Meta,     // FF other: type, length, skipped body
    SysEx,    // F0 / F7: length, skipped body
    TwoData,  // 8n 9n An Bn En F2
    OneData,  // Cn Dn F3
    NoBytes,  // any other status, or none yet: only the delta time is taken
};

struct MidiEvent {
    std::uint32_t delta = 0;
    bool deltaTooLong = false;  // a fifth delta byte would have been needed
    std::uint8_t status = 0;    // the status in force for this event
    EventKind kind = EventKind::NoBytes;
    std::uint8_t metaType = 0;
    std::uint8_t data[3] = {0, 0, 0};  // data bytes, or the three tempo bytes
    std::uint32_t length = 0;          // meta / system-exclusive body length
    bool lengthTooLong = false;
    std::size_t bodyOffset = 0;  // where a meta / system-exclusive body starts
    std::size_t next = 0;        // position after the event
};

// Reads a variable-length quantity of at most four bytes at pos. Returns
// nothing when the bytes run past the end. A fourth byte with bit 7 still set
// ends the field anyway; tooLong then reports it.
std::optional<std::uint32_t> ReadVarLen(std::span<const std::uint8_t> bytes, std::size_t& pos,
                                        bool& tooLong);

// Decodes the event at pos with the given status in force (running status)
// into event, every field of it written. Returns false when any of its bytes
// lies at or beyond bytes.size(); event then holds nothing of use.
bool DecodeEvent(std::span<const std::uint8_t> bytes, std::size_t pos, std::uint8_t statusInForce,
                 MidiEvent& event);

// DecodeEvent into a new event; nothing when it returns false.
inline std::optional<MidiEvent> ParseEvent(std::span<const std::uint8_t> bytes, std::size_t pos,
                                           std::uint8_t statusInForce) {
    // Built in place in the returned optional, so it is not copied out.
    std::optional<MidiEvent> parsed(std::in_place);
    if (!DecodeEvent(bytes, pos, statusInForce, *parsed)) {
        parsed.reset();
    }
    return parsed;
}

}  // namespace tonvell
