// SPDX-License-Identifier: MIT
#pragma once
// The MIDI messages the port sends, by name.

#include <cstdint>

#include "playback/midi_output.h"

namespace tonvell::playback::midi {

inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kAllSoundOff = 120;
inline constexpr std::uint8_t kAllNotesOff = 123;
// Channels 1 to 15 (indices 0 to 14) get program changes and All Notes Off;
// channel 16 is left alone.
inline constexpr int kChannelsUsed = 15;

inline MidiShortMessage ProgramChange(int channel, std::uint8_t program) {
    return {static_cast<std::uint8_t>(kProgramChange + channel), program, 0};
}
inline MidiShortMessage AllSoundOff(int channel) {
    return {static_cast<std::uint8_t>(kControlChange + channel), kAllSoundOff, 0};
}
inline MidiShortMessage AllNotesOff(int channel) {
    return {static_cast<std::uint8_t>(kControlChange + channel), kAllNotesOff, 0};
}
inline MidiShortMessage NoteOn(int channel, std::uint8_t key, std::uint8_t velocity) {
    return {static_cast<std::uint8_t>(kNoteOn + channel), key, velocity};
}

}  // namespace tonvell::playback::midi
