// SPDX-License-Identifier: MIT
#pragma once
// What a conversion tells whoever watches it build the arrangement: every
// command as it enters the listing, what the voice allocation made of every
// note event, and the time signatures met on the way. A conversion that
// nobody watches calls none of this.

#include <cstdint>

namespace tonvell {

struct VoiceCounters;

// What the voice allocation did with one note event.
struct NoteOutcome {
    enum class Kind : std::uint8_t {
        Ignored,       // a channel not chosen: no part in the listing
        OutOfRange,    // transposed outside notes 0 to 127: no part in the listing
        OnFreeVoice,   // a note-on given a free voice
        OnTakenVoice,  // a note-on that took a sounding note's voice
        OnMuted,       // a note-on not played: all voices kept their notes
        OffReleased,   // a note-off that wrote a note-off and freed its voice
        OffSwallowed,  // a note-off of a muted note: nothing written
        OffUnmatched,  // a note-off of a note neither sounding nor muted
    };
    Kind kind = Kind::Ignored;
    std::int8_t voice = -1;  // the voice given, taken or freed
    // OnTakenVoice, OnMuted: the silenced or unplayed note went onto the
    // muted-note stack (it does not when the stack is full).
    bool mutedKept = false;
};

class ArrangementObserver {
public:
    virtual ~ArrangementObserver() = default;
    // The time scale, before the first event.
    virtual void Start(std::uint16_t ticksPerQuarter, float delayUnit) = 0;
    // A command entered the listing at tick now, after a delay of units
    // delay units (0: no delay line).
    virtual void Command(std::int64_t now, std::int64_t units, std::uint8_t command,
                         std::uint8_t parameter) = 0;
    // A note event at tick now, after the commands it wrote.
    virtual void Note(std::int64_t now, std::uint8_t status, std::uint8_t note,
                      std::uint8_t velocity, NoteOutcome outcome) = 0;
    // A time signature meta event: beats of 1/2^denominatorPower.
    virtual void TimeSignature(std::int64_t now, std::uint8_t numerator,
                               std::uint8_t denominatorPower) = 0;
    // The walk ended at tick now with these counters.
    virtual void Finish(std::int64_t now, const VoiceCounters& counters) = 0;
};

}  // namespace tonvell
