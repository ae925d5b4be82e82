// SPDX-License-Identifier: MIT
#pragma once
// MIDI status bytes, for the reader of MIDI files and for the messages the
// player sends to MIDI devices alike. A channel message's status is its kind
// in the high nibble and its channel (0 to 15) in the low one.

#include <cstdint>

namespace tonvell::midi {

// Channel messages: the high nibble.
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kKeyPressure = 0xA0;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kChannelPressure = 0xD0;
inline constexpr std::uint8_t kPitchBend = 0xE0;

// System messages, and the meta events of a file.
inline constexpr std::uint8_t kSysEx = 0xF0;
inline constexpr std::uint8_t kSongPosition = 0xF2;
inline constexpr std::uint8_t kSongSelect = 0xF3;
inline constexpr std::uint8_t kSysExEscape = 0xF7;
inline constexpr std::uint8_t kMeta = 0xFF;
inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaTempo = 0x51;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaTimeSignature = 0x58;
inline constexpr std::uint8_t kNoStatus = 0x00;  // no status byte read yet

// The kind of a channel message's status (its high nibble).
constexpr std::uint8_t StatusKind(std::uint8_t status) {
    return status & 0xF0;
}

// The channel of a channel message's status (its low nibble).
constexpr int StatusChannel(std::uint8_t status) {
    return status & 0x0F;
}

}  // namespace tonvell::midi
