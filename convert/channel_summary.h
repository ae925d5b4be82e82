// SPDX-License-Identifier: MIT
#pragma once
// What a MIDI file holds on each of its sixteen channels, for a musician
// choosing which channels the voices play: how many notes, and the names
// the file gives them (the first program change's General MIDI instrument,
// the name of the first track with notes on the channel).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "convert/note_choices.h"

namespace tonvell {

struct ChannelContents {
    int noteOns = 0;    // note-ons of velocity 1 to 127
    int program = -1;   // the first program change, 0 to 127; -1 for none
    std::string track;  // the name of the first track with a note-on here (UTF-8)
};

using ChannelSummary = std::array<ChannelContents, kChannelCount>;

// Reads the file's track chunks as far as they lie inside file; a damaged
// file gives what its intact part holds.
ChannelSummary SummarizeChannels(std::span<const std::uint8_t> file);

// The General MIDI name of a program number 0 to 127 ("Acoustic Grand Piano").
std::string_view GeneralMidiProgramName(int program);

}  // namespace tonvell
