// SPDX-License-Identifier: MIT
#pragma once
// Small helpers for writing MIDI bytes in tests: variable-length quantities,
// events, the header chunk and track chunks.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace midi_test {

using Bytes = std::vector<std::uint8_t>;

// Shortest variable-length quantity for value.
inline Bytes VarLen(std::uint32_t value) {
    Bytes groups;
    do {
        groups.insert(groups.begin(), static_cast<std::uint8_t>(value & 0x7F));
        value >>= 7;
    } while (value != 0);
    for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
        groups[i] |= 0x80;
    }
    return groups;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// One track event: its delta time, then the bytes after it as given (a status
// byte may be left out for running status).
inline Bytes Ev(std::uint32_t delta, std::initializer_list<std::uint8_t> body) {
    Bytes out = VarLen(delta);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes EndOfTrack(std::uint32_t delta = 0) {
    return Ev(delta, {0xFF, 0x2F, 0x00});
}

inline Bytes BigEndian(std::uint32_t value, int size) {
    Bytes out;
    for (int i = size - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return out;
}

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// The 14-byte header chunk.
inline Bytes Header(std::uint16_t format, std::uint16_t tracks, std::uint16_t ticks,
                    std::uint32_t headerLength = 6) {
    return Cat({Text("MThd"), BigEndian(headerLength, 4), BigEndian(format, 2),
                BigEndian(tracks, 2), BigEndian(ticks, 2)});
}

// A chunk whose length field says declaredLength (the body's size unless given).
inline Bytes Chunk(std::string_view type, const Bytes& body,
                   std::optional<std::uint32_t> declaredLength = std::nullopt) {
    return Cat({Text(type),
                BigEndian(declaredLength.value_or(static_cast<std::uint32_t>(body.size())), 4),
                body});
}

inline Bytes Format0(std::uint16_t ticks, const Bytes& events) {
    return Cat({Header(0, 1, ticks), Chunk("MTrk", events)});
}

inline Bytes Format1(std::uint16_t ticks, const std::vector<Bytes>& tracks) {
    Bytes out = Header(1, static_cast<std::uint16_t>(tracks.size()), ticks);
    for (const Bytes& t : tracks) {
        const Bytes chunk = Chunk("MTrk", t);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

// A format-0 file of count events whose every delta time has five bytes, each
// one "Time field is too long": 81 80 80 80 00, then an empty system-exclusive
// event F0 00.
inline Bytes FloodFile(int count) {
    Bytes events;
    events.reserve(static_cast<std::size_t>(count) * 7);
    for (int i = 0; i < count; ++i) {
        events.insert(events.end(), {0x81, 0x80, 0x80, 0x80, 0x00, 0xF0, 0x00});
    }
    return Format0(96, events);
}

}  // namespace midi_test
