// SPDX-License-Identifier: MIT
#pragma once
// Assigns the notes of the chosen MIDI channels (1 to 9 unless chosen
// otherwise), transposed as chosen, to the generator's six voices. When all
// six are busy, the policy chosen decides: by default a new note takes the
// voice at the steal pointer. A note silenced, or a new note not played, is
// kept on the muted-note stack so that its later note-off writes nothing.

#include <array>
#include <cstdint>

#include "convert/arrangement_observer.h"
#include "convert/command_sink.h"
#include "convert/listing_writer.h"
#include "convert/note_choices.h"
#include "convert/warnings.h"
#include "convert/zum_protocol.h"

namespace tonvell {

inline constexpr int kMutedStackSize = 1000;

class VoiceAllocator {
public:
    // Note commands go to commands; the stack-full warning, raised once per
    // conversion, to warnings.
    VoiceAllocator(CommandSink& commands, WarningList& warnings, const NoteChoices& choices = {})
        : commands_(commands),
          warnings_(warnings),
          channels_(choices.channels),
          transpose_(choices.transpose),
          keep_(choices.keep) {}

    // Starts a conversion: all voices free, empty stack, counters and pointer at 0.
    void Reset();

    // Handles one 8nh or 9nh event and tells what became of it.
    NoteOutcome NoteEvent(std::uint8_t status, std::uint8_t note, std::uint8_t velocity);

    const VoiceCounters& Counters() const { return counters_; }

private:
    // Marks a free voice; no note key is negative, so note 0 on channel 1
    // (key 0) holds its voice like any other note.
    static constexpr NoteKey kFreeVoice = -1;

    NoteOutcome PassOver(NoteOutcome::Kind kind, int velocity);
    NoteOutcome NoteOn(NoteKey key, std::uint8_t code, std::uint8_t base);
    // All six voices sound: the voice at the steal pointer, the highest or
    // the lowest note's voice, or none.
    NoteOutcome NoteOnAllBusy(NoteKey key, std::uint8_t code, std::uint8_t base);
    NoteOutcome TakeVoice(int voice, NoteKey key, std::uint8_t code, std::uint8_t base);
    NoteOutcome Mute(NoteKey key);
    NoteOutcome NoteOff(NoteKey key, std::uint8_t code);
    bool PushMuted(NoteKey key);

    CommandSink& commands_;
    WarningList& warnings_;
    const ChannelSet channels_;
    const int transpose_;
    const KeepPolicy keep_;

    std::array<NoteKey, zum::kVoiceCount> voices_{};
    std::array<NoteKey, kMutedStackSize> muted_{};
    std::int32_t mutedCount_ = 0;
    // How often each key is on the muted stack: most note-offs find their
    // key on no stack, and this tells so without searching it.
    std::array<std::uint16_t, kNoteKeyCount> mutedTimes_{};
    int stealPointer_ = 0;
    bool stackFullShown_ = false;
    VoiceCounters counters_;
};

}  // namespace tonvell
