// SPDX-License-Identifier: MIT
#pragma once
// What the six voices are given to play: the MIDI channels taken, a
// transposition, and which notes are kept when all six voices sound. Also
// the note key by which the voice allocation and the arrangement tell
// sounding notes apart. The command line, the window and its settings file
// read and write the choices through the text forms here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/midi_status.h"

namespace tonvell {

// Which notes stay when a note-on finds all six voices sounding.
enum class KeepPolicy : std::uint8_t {
    New,   // the voice at the steal pointer is taken for the new note
    Old,   // the sounding notes stay; the new note is muted
    High,  // the highest notes stay (the melody)
    Low,   // the lowest notes stay (the bass)
};

// A set of MIDI channels: bit c stands for channel c + 1, the status
// byte's channel c.
using ChannelSet = std::uint16_t;
inline constexpr ChannelSet kDefaultChannels = 0x01FF;  // channels 1 to 9
inline constexpr ChannelSet kAllChannels = 0xFFFF;
inline constexpr int kChannelCount = 16;
inline constexpr int kMaxTranspose = 48;  // semitones either way

struct NoteChoices {
    ChannelSet channels = kDefaultChannels;
    int transpose = 0;  // -kMaxTranspose to kMaxTranspose semitones
    KeepPolicy keep = KeepPolicy::New;

    bool operator==(const NoteChoices&) const = default;
    bool IsDefault() const { return *this == NoteChoices{}; }
};

// Whether the note events of a status byte's channel (0 to 15) are played.
constexpr bool ChannelChosen(ChannelSet channels, int channel) {
    return ((channels >> channel) & 1U) != 0;
}

// Whether the note events of a status byte take part in the voice allocation.
constexpr bool StatusChannelChosen(ChannelSet channels, std::uint8_t status) {
    return ChannelChosen(channels, midi::StatusChannel(status));
}

// The note number an event's data byte plays at a transposition, or -1 when
// it falls outside 0 to 127 (the event is then passed over).
constexpr int TransposedNote(std::uint8_t note, int transpose) {
    const int n = (note & 0x7F) + transpose;
    return n >= 0 && n <= 127 ? n : -1;
}

// The note key: the note number (0 to 127) above the channel (0 to 15), so
// that one pitch on two channels is two notes.
using NoteKey = std::int32_t;
inline constexpr std::size_t kNoteKeyCount = std::size_t{128} * kChannelCount;

constexpr NoteKey NoteKeyOf(int note, int channel) {
    return (note << 4) | channel;
}

constexpr int NoteOfKey(NoteKey key) {
    return key >> 4;
}

// "1-9", "1,2,5-8", "all": numbers 1 to 16 and rising ranges, separated by
// commas. Returns an empty text and sets channels, or tells what is wrong.
std::string ParseChannelList(std::string_view text, ChannelSet& channels);

// The shortest list that ParseChannelList reads back as channels: "all" for
// every channel, "" for none.
std::string ChannelListText(ChannelSet channels);

// A transposition as a decimal number (a sign allowed) within the range.
// Returns an empty text and sets semitones, or tells what is wrong.
std::string ParseTranspose(std::string_view text, int& semitones);

// "new", "old", "high", "low".
std::string_view KeepPolicyName(KeepPolicy keep);
// Returns false for an unknown name.
bool KeepPolicyByName(std::string_view name, KeepPolicy& keep);

}  // namespace tonvell
