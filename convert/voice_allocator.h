// SPDX-License-Identifier: MIT
#pragma once
// Assigns the notes of MIDI channels 1 to 9 to the generator's six voices.
// When all six are busy a new note takes the voice at the steal pointer; the
// note it silences is kept on the muted-note stack so that its later note-off
// writes nothing.

#include <array>
#include <cstdint>

#include "convert/arrangement_observer.h"
#include "convert/command_sink.h"
#include "convert/listing_writer.h"
#include "convert/warnings.h"
#include "convert/zum_protocol.h"

namespace tonvell {

inline constexpr int kMutedStackSize = 1000;

class VoiceAllocator {
public:
    // Note commands go to commands; the stack-full warning, raised once per
    // conversion, to warnings.
    VoiceAllocator(CommandSink& commands, WarningList& warnings)
        : commands_(commands), warnings_(warnings) {}

    // Starts a conversion: all voices free, empty stack, counters and pointer at 0.
    void Reset();

    // Handles one 8nh or 9nh event and tells what became of it.
    NoteOutcome NoteEvent(std::uint8_t status, std::uint8_t note, std::uint8_t velocity);

    const VoiceCounters& Counters() const { return counters_; }

private:
    // Marks a free voice; no note key is negative, so note 0 on channel 1
    // (key 0) holds its voice like any other note.
    static constexpr std::int32_t kFreeVoice = -1;
    // Keys are the note above the channel: 128 notes of 16 channels.
    static constexpr std::size_t kKeyCount = std::size_t{128} * 16;

    NoteOutcome NoteOn(std::int32_t key, std::uint8_t code, std::uint8_t base);
    NoteOutcome NoteOff(std::int32_t key, std::uint8_t code);
    bool PushMuted(std::int32_t key);

    CommandSink& commands_;
    WarningList& warnings_;

    std::array<std::int32_t, zum::kVoiceCount> voices_{};
    std::array<std::int32_t, kMutedStackSize> muted_{};
    std::int32_t mutedCount_ = 0;
    // How often each key is on the muted stack: most note-offs find their
    // key on no stack, and this tells so without searching it.
    std::array<std::uint16_t, kKeyCount> mutedTimes_{};
    int stealPointer_ = 0;
    bool stackFullShown_ = false;
    VoiceCounters counters_;
};

}  // namespace tonvell
