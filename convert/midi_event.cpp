// SPDX-License-Identifier: MIT
#include "convert/midi_event.h"

namespace tonvell {

std::optional<std::uint32_t> ReadVarLen(std::span<const std::uint8_t> bytes, std::size_t& pos,
                                        bool& tooLong) {
    std::uint32_t value = 0;
    tooLong = false;
    for (int taken = 0; taken < 4; ++taken) {
        if (pos >= bytes.size()) {
            return std::nullopt;
        }
        const std::uint8_t byte = bytes[pos++];
        value = value * 128 + (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return value;
        }
    }
    tooLong = true;
    return value;
}

namespace {

EventKind KindOf(std::uint8_t status) {
    switch (midi::StatusKind(status)) {
        case midi::kNoteOff:
        case midi::kNoteOn:
        case midi::kKeyPressure:
        case midi::kControlChange:
        case midi::kPitchBend:
            return EventKind::TwoData;
        case midi::kProgramChange:
        case midi::kChannelPressure:
            return EventKind::OneData;
        default:
            break;
    }
    switch (status) {
        case midi::kMeta:
            return EventKind::Meta;
        case midi::kSysEx:
        case midi::kSysExEscape:
            return EventKind::SysEx;
        case midi::kSongPosition:
            return EventKind::TwoData;
        case midi::kSongSelect:
            return EventKind::OneData;
        default:
            return EventKind::NoBytes;
    }
}

bool TakeBytes(std::span<const std::uint8_t> bytes, std::size_t& pos, std::uint8_t* out,
               int count) {
    if (pos > bytes.size() || bytes.size() - pos < static_cast<std::size_t>(count)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        out[i] = bytes[pos++];
    }
    return true;
}

// Length and body of a meta or system-exclusive event; pos is at the length.
bool TakeBody(std::span<const std::uint8_t> bytes, std::size_t& pos, MidiEvent& event) {
    auto length = ReadVarLen(bytes, pos, event.lengthTooLong);
    if (!length || *length > bytes.size() - pos) {
        return false;
    }
    event.length = *length;
    event.bodyOffset = pos;
    pos += *length;
    return true;
}

}  // namespace

bool DecodeEvent(std::span<const std::uint8_t> bytes, std::size_t pos, std::uint8_t statusInForce,
                 MidiEvent& event) {
    event = MidiEvent{};
    std::optional<std::uint32_t> delta;
    if (pos < bytes.size() && bytes[pos] < 0x80) {
        delta = bytes[pos++];  // the common one-byte delta time, without the call
    } else {
        delta = ReadVarLen(bytes, pos, event.deltaTooLong);
    }
    if (!delta || pos >= bytes.size()) {
        return false;
    }
    event.delta = *delta;
    // A byte with bit 7 set is a new status; anything else is the first data
    // byte under the status already in force.
    if (bytes[pos] & 0x80) {
        statusInForce = bytes[pos++];
    }
    event.status = statusInForce;
    event.kind = KindOf(statusInForce);

    bool complete = true;
    switch (event.kind) {
        case EventKind::Meta:
            complete = TakeBytes(bytes, pos, &event.metaType, 1);
            if (complete && event.metaType == midi::kMetaTempo) {
                event.kind = EventKind::Tempo;
                std::uint8_t unusedLength = 0;
                complete =
                    TakeBytes(bytes, pos, &unusedLength, 1) && TakeBytes(bytes, pos, event.data, 3);
            } else if (complete) {
                complete = TakeBody(bytes, pos, event);
            }
            break;
        case EventKind::SysEx:
            complete = TakeBody(bytes, pos, event);
            break;
        case EventKind::TwoData:
            complete = TakeBytes(bytes, pos, event.data, 2);
            break;
        case EventKind::OneData:
            complete = TakeBytes(bytes, pos, event.data, 1);
            break;
        case EventKind::Tempo:
        case EventKind::NoBytes:
            break;
    }
    if (!complete) {
        return false;
    }
    event.next = pos;
    return true;
}

}  // namespace tonvell
