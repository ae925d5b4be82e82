// SPDX-License-Identifier: MIT
#pragma once
// The arrangement of a converted file: every note of the input with what the
// six voices made of it, at the times the listing plays it. It is built from
// what the conversion itself reports while it runs, so it agrees with the
// listing and the statistics by construction.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "convert/arrangement_observer.h"
#include "convert/listing_writer.h"
#include "convert/note_choices.h"
#include "convert/voice_allocator.h"
#include "convert/zum_protocol.h"

namespace tonvell {

// A point of the piece: its tick and the seconds at which the listing plays it.
struct Moment {
    std::int64_t tick = 0;
    double seconds = 0;
};

enum class NoteFate : std::uint8_t {
    Played,          // sounded on its voice until its note-off (or the end)
    CutShort,        // its voice was taken by a newer note before its note-off
    IgnoredChannel,  // a channel not chosen (by default 10 to 16): never sounds
    Muted,           // all six voices kept their notes: never sounds
};

struct ArrangedNote {
    std::uint8_t channel = 0;  // 0 to 15: MIDI channels 1 to 16
    std::uint8_t note = 0;     // 0 to 127
    std::uint8_t velocity = 0;
    NoteFate fate = NoteFate::Played;
    std::int8_t voice = -1;  // the voice it was given; -1 when none
    // endSeen is false when no note-off ended it before the piece did (for
    // a cut note whose key the full muted-note stack could not keep, end is
    // the cut).
    bool endSeen = false;
    Moment start;
    Moment end;                 // its note-off, or the end of the piece
    Moment cut;                 // CutShort: when its voice was taken; the part after it is lost
    std::int32_t takenBy = -1;  // CutShort: the index of the note that took its voice
    // The listing's line (from 0) of its note-on command and of its note-off
    // command; -1 when it wrote none.
    std::int32_t onLine = -1;
    std::int32_t offLine = -1;

    // CutShort: the command that took its voice plays at the same moment of
    // the listing as its own note-on (no delay between them), though the
    // ticks may differ by less than a delay unit.
    bool cutAtOnce = false;

    // Notes 96 to 127 share the note codes of octave 7 with notes 84 to 95.
    bool OctaveFolded() const { return note >= 96; }
    // Never heard: an ignored channel, a note the voices did not take, or a
    // voice taken at the very moment the note began.
    bool NeverSounds() const {
        return fate == NoteFate::IgnoredChannel || fate == NoteFate::Muted ||
               (fate == NoteFate::CutShort && (cut.tick <= start.tick || cutAtOnce));
    }
};

struct TimeSignatureAt {
    Moment at;
    int numerator = 4;
    int denominator = 4;
};

// A command of the listing: when it plays and on which line it stands.
struct CommandAt {
    std::int64_t tick = 0;
    double seconds = 0;
    std::int32_t line = 0;
    int unitMsAfter = 0;  // the delay unit in force after it, in milliseconds
};

struct Arrangement {
    std::string fileName;
    std::uint16_t ticksPerQuarter = 0;
    float delayUnit = 0;              // ticks per delay unit
    std::vector<ArrangedNote> notes;  // in the order of their note-on events
    std::vector<TimeSignatureAt> timeSignatures;
    std::vector<CommandAt> commands;  // in listing order
    Moment end;                       // the end of the walk
    VoiceCounters counters;           // as the statistics report them
    Statistics statistics;            // the three statistics lines
    NoteChoices choices;              // what the voices were given to play

    // The seconds at which playback of the converted listing reaches tick.
    double SecondsAtTick(std::int64_t tick) const;
    // Where playback stands when the player's cursor is on line (from 0):
    // the seconds of the last command above that line.
    double SecondsAtLine(std::int32_t line) const;
    // The bar (from 1) in which playback stands when the player's cursor is
    // on line; 0 when the file gives no metre.
    std::int64_t BarAtLine(std::int32_t line) const;
    // The last line of the listing that holds a command; -1 without any.
    std::int32_t LastCommandLine() const { return commands.empty() ? -1 : commands.back().line; }
};

// Hands commands on to the listing writer and tells the observer of each,
// with the delay the writer put in front of it. A conversion that builds no
// arrangement sends its commands to the writer straight.
class ObservedCommands final : public CommandSink {
public:
    ObservedCommands(ListingWriter& listing, ArrangementObserver& observer)
        : listing_(listing), observer_(observer) {}
    void Emit(std::uint8_t command, std::uint8_t parameter) override;

private:
    ListingWriter& listing_;
    ArrangementObserver& observer_;
};

// Builds an arrangement from what a conversion reports.
class ArrangementBuilder final : public ArrangementObserver {
public:
    ArrangementBuilder(Arrangement& out, const NoteChoices& choices) : out_(out) {
        out_.choices = choices;
    }

    // Room for the notes and commands a file of this size can hold, so that
    // the lists are not copied as they grow.
    void Reserve(std::size_t fileBytes);

    void Start(std::uint16_t ticksPerQuarter, float delayUnit) override;
    void Command(std::int64_t now, std::int64_t units, std::uint8_t command,
                 std::uint8_t parameter) override;
    void Note(std::int64_t now, std::uint8_t status, std::uint8_t note, std::uint8_t velocity,
              NoteOutcome outcome) override;
    void TimeSignature(std::int64_t now, std::uint8_t numerator,
                       std::uint8_t denominatorPower) override;
    void Finish(std::int64_t now, const VoiceCounters& counters) override;

private:
    Moment At(std::int64_t tick) const;
    std::int32_t NewNote(std::int64_t now, std::uint8_t status, int note, std::uint8_t velocity);
    void IgnoredNote(std::int64_t now, std::uint8_t status, int note, std::uint8_t velocity);
    void EndIgnored(std::int64_t now, NoteKey key);
    void EndMuted(std::int64_t now, NoteKey key);
    std::int32_t& HolderOf(std::int8_t voice);

    Arrangement& out_;
    // Playback time as the listing gives it: delay units times the unit in
    // force, which tempo commands change after their own delay.
    std::int64_t playedMs_ = 0;
    int unitMs_ = zum::kInitialTimeUnitMs;
    std::int64_t lastCommandTick_ = 0;
    std::int32_t nextLine_ = 0;
    std::int32_t lastCommandLine_ = -1;
    std::array<std::int32_t, zum::kVoiceCount> voiceNote_{};
    std::vector<std::int32_t> muted_;  // notes on the muted-note stack, oldest first
    // Sounding notes of ignored channels by key, oldest first: a note-off
    // ends the oldest.
    std::vector<std::deque<std::int32_t>> ignored_;
};

}  // namespace tonvell
