// SPDX-License-Identifier: MIT
#pragma once
// The system's MIDI output ports through RtMidi (the ALSA sequencer on
// Linux). Where the system has no sequencer the list is simply empty.

#include <memory>
#include <string>
#include <vector>

#include "playback/midi_output.h"

namespace tonvell::playback {

// The names shown for RtMidi's port names: the volatile "client:port"
// numbers at the end of ALSA names are dropped, so a saved choice is found
// again at the next start; ports that would then share a name get " #2",
// " #3" in list order.
std::vector<std::string> StableMidiPortNames(const std::vector<std::string>& rtmidiNames);

std::unique_ptr<MidiBackend> MakeRtMidiBackend();

}  // namespace tonvell::playback
