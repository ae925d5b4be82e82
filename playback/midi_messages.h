// SPDX-License-Identifier: MIT
#pragma once
// The MIDI messages the port sends, by name.

#include <cstdint>

#include "convert/midi_status.h"
#include "playback/midi_output.h"

namespace tonvell::playback::midi {

using tonvell::midi::kChannelPressure;
using tonvell::midi::kControlChange;
using tonvell::midi::kKeyPressure;
using tonvell::midi::kNoteOff;
using tonvell::midi::kNoteOn;
using tonvell::midi::kPitchBend;
using tonvell::midi::kProgramChange;
using tonvell::midi::StatusChannel;
using tonvell::midi::StatusKind;

// Controller numbers of the Control Change messages the port sends.
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
