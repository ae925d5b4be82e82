// SPDX-License-Identifier: MIT
#include "convert/arrangement.h"

#include <algorithm>

#include "convert/command_sink.h"
#include "convert/midi_event.h"

namespace tonvell {

namespace {

bool IsNoteOn(std::uint8_t status, std::uint8_t velocity) {
    return midi::StatusKind(status) == midi::kNoteOn && (velocity & 0x7F) != 0;
}

}  // namespace

double Arrangement::SecondsAtTick(std::int64_t tick) const {
    // The last command at or before tick, then the rest at the unit in force
    // there; before the first command the piece plays at the initial unit.
    const auto after =
        std::upper_bound(commands.begin(), commands.end(), tick,
                         [](std::int64_t t, const CommandAt& c) { return t < c.tick; });
    if (delayUnit <= 0) {
        return after == commands.begin() ? 0.0 : std::prev(after)->seconds;
    }
    std::int64_t from = 0;
    double seconds = 0;
    int unitMs = zum::kInitialTimeUnitMs;
    if (after != commands.begin()) {
        const CommandAt& c = *std::prev(after);
        from = c.tick;
        seconds = c.seconds;
        unitMs = c.unitMsAfter;
    }
    return seconds + static_cast<double>(tick - from) / delayUnit * unitMs / 1000.0;
}

double Arrangement::SecondsAtLine(std::int32_t line) const {
    const auto after =
        std::lower_bound(commands.begin(), commands.end(), line,
                         [](const CommandAt& c, std::int32_t l) { return c.line < l; });
    return after == commands.begin() ? 0.0 : std::prev(after)->seconds;
}

std::int64_t Arrangement::BarAtLine(std::int32_t line) const {
    if (ticksPerQuarter == 0 || timeSignatures.empty()) {
        return 0;
    }
    const auto after =
        std::lower_bound(commands.begin(), commands.end(), line,
                         [](const CommandAt& c, std::int32_t l) { return c.line < l; });
    const std::int64_t tick = after == commands.begin() ? 0 : std::prev(after)->tick;
    // Each metre holds whole bars from where it begins to where the next one
    // begins, as the picture draws them.
    std::int64_t bars = 0;
    for (std::size_t i = 0; i < timeSignatures.size(); ++i) {
        const TimeSignatureAt& ts = timeSignatures[i];
        const std::int64_t bar = std::int64_t{ticksPerQuarter} * 4 * ts.numerator / ts.denominator;
        if (bar <= 0 || tick < ts.at.tick) {
            break;
        }
        const std::int64_t until =
            i + 1 < timeSignatures.size() ? timeSignatures[i + 1].at.tick : tick + 1;
        const std::int64_t upTo = std::min(tick + 1, until);
        bars += (upTo - ts.at.tick + bar - 1) / bar;
    }
    return bars;
}

void ObservedCommands::Emit(std::uint8_t command, std::uint8_t parameter) {
    // The writer keeps its block whenever an arrangement is built: the delay
    // bytes it adds are timed as the player reads them.
    const std::size_t before = listing_.Block().size();
    listing_.Emit(command, parameter);
    const auto added = listing_.Block().subspan(before);
    const std::int64_t units = zum::PlayedDelayUnits(added.first(added.size() - 2));
    observer_.Command(listing_.Now(), units, command, parameter);
}

void ArrangementBuilder::Reserve(std::size_t fileBytes) {
    // A note-on takes at least three bytes of track (delta, and two data
    // bytes under running status), and so does every command's event.
    out_.notes.reserve(fileBytes / 3);
    out_.commands.reserve(fileBytes / 3);
}

void ArrangementBuilder::Start(std::uint16_t ticksPerQuarter, float delayUnit) {
    out_.ticksPerQuarter = ticksPerQuarter;
    out_.delayUnit = delayUnit;
    nextLine_ = kListingHeaderLines;
    voiceNote_.fill(-1);
    ignored_.assign(kNoteKeyCount, {});
}

Moment ArrangementBuilder::At(std::int64_t tick) const {
    Moment m{tick, static_cast<double>(playedMs_) / 1000.0};
    if (out_.delayUnit > 0 && tick > lastCommandTick_) {
        m.seconds +=
            static_cast<double>(tick - lastCommandTick_) / out_.delayUnit * unitMs_ / 1000.0;
    }
    return m;
}

void ArrangementBuilder::Command(std::int64_t now, std::int64_t units, std::uint8_t command,
                                 std::uint8_t parameter) {
    playedMs_ += units * unitMs_;
    lastCommandTick_ = now;
    if (units >= 1) {
        ++nextLine_;  // the delay line
    }
    lastCommandLine_ = nextLine_++;
    // A tempo command changes the unit of the delays after it.
    if (command == zum::kTempoCommand) {
        unitMs_ = zum::TimeUnitMs(parameter);
    }
    out_.commands.push_back(
        {now, static_cast<double>(playedMs_) / 1000.0, lastCommandLine_, unitMs_});
}

std::int32_t ArrangementBuilder::NewNote(std::int64_t now, std::uint8_t status, int note,
                                         std::uint8_t velocity) {
    ArrangedNote n;
    n.channel = static_cast<std::uint8_t>(midi::StatusChannel(status));
    n.note = static_cast<std::uint8_t>(note);
    n.velocity = velocity;
    n.start = At(now);
    n.end = n.start;
    out_.notes.push_back(n);
    return static_cast<std::int32_t>(out_.notes.size() - 1);
}

void ArrangementBuilder::Note(std::int64_t now, std::uint8_t status, std::uint8_t note,
                              std::uint8_t velocity, NoteOutcome outcome) {
    // Notes are drawn at the pitch they play, transposed as chosen.
    const int played = TransposedNote(note, out_.choices.transpose);
    const NoteKey key = NoteKeyOf(played, midi::StatusChannel(status));
    using Kind = NoteOutcome::Kind;
    switch (outcome.kind) {
        case Kind::Ignored:
            if (played >= 0) {
                IgnoredNote(now, status, played, velocity);
            }
            return;
        case Kind::OutOfRange:
            return;  // no pitch to draw it at
        case Kind::OnMuted: {
            const std::int32_t index = NewNote(now, status, played, velocity);
            out_.notes[index].fate = NoteFate::Muted;
            if (outcome.mutedKept) {
                muted_.push_back(index);
            }
            return;
        }
        case Kind::OnFreeVoice:
        case Kind::OnTakenVoice: {
            const std::int32_t index = NewNote(now, status, played, velocity);
            ArrangedNote& n = out_.notes[index];
            n.voice = outcome.voice;
            n.onLine = lastCommandLine_;
            std::int32_t& holder = HolderOf(outcome.voice);
            if (outcome.kind == Kind::OnTakenVoice && holder >= 0) {
                ArrangedNote& silenced = out_.notes[holder];
                silenced.fate = NoteFate::CutShort;
                silenced.cut = n.start;
                silenced.end = n.start;
                silenced.takenBy = index;
                silenced.cutAtOnce =
                    silenced.onLine >= 0 && !out_.commands.empty() &&
                    out_.SecondsAtLine(silenced.onLine + 1) >= out_.commands.back().seconds;
                if (outcome.mutedKept) {
                    muted_.push_back(holder);
                }
            }
            holder = index;
            return;
        }
        case Kind::OffReleased: {
            std::int32_t& holder = HolderOf(outcome.voice);
            if (holder >= 0) {
                ArrangedNote& n = out_.notes[holder];
                n.end = At(now);
                n.endSeen = true;
                n.offLine = lastCommandLine_;
            }
            holder = -1;
            return;
        }
        case Kind::OffSwallowed:
            EndMuted(now, key);
            return;
        case Kind::OffUnmatched:
            return;
    }
}

// The note sounding on a voice (-1 for none). Only outcomes that give, take
// or free a voice come here, and they name one of the six: 0 to 5.
std::int32_t& ArrangementBuilder::HolderOf(std::int8_t voice) {
    return voiceNote_[static_cast<std::uint8_t>(voice)];
}

// A note event of a channel not chosen: drawn, never played.
void ArrangementBuilder::IgnoredNote(std::int64_t now, std::uint8_t status, int note,
                                     std::uint8_t velocity) {
    const NoteKey key = NoteKeyOf(note, midi::StatusChannel(status));
    if (IsNoteOn(status, velocity)) {
        const std::int32_t index = NewNote(now, status, note, velocity);
        out_.notes[index].fate = NoteFate::IgnoredChannel;
        ignored_[static_cast<std::size_t>(key)].push_back(index);
    } else {
        EndIgnored(now, key);
    }
}

void ArrangementBuilder::EndIgnored(std::int64_t now, NoteKey key) {
    auto& open = ignored_[static_cast<std::size_t>(key)];
    if (open.empty()) {
        return;  // a note-off that ends nothing
    }
    ArrangedNote& n = out_.notes[open.front()];
    open.pop_front();
    n.end = At(now);
    n.endSeen = true;
}

void ArrangementBuilder::EndMuted(std::int64_t now, NoteKey key) {
    // The allocation swallows the note-off of the oldest muted note of this key.
    const auto muted = std::find_if(muted_.begin(), muted_.end(), [&](std::int32_t index) {
        const ArrangedNote& n = out_.notes[index];
        return NoteKeyOf(n.note, n.channel) == key;
    });
    if (muted == muted_.end()) {
        return;
    }
    ArrangedNote& n = out_.notes[*muted];
    n.end = At(now);
    n.endSeen = true;
    muted_.erase(muted);
}

void ArrangementBuilder::TimeSignature(std::int64_t now, std::uint8_t numerator,
                                       std::uint8_t denominatorPower) {
    if (numerator == 0 || denominatorPower > 6) {
        return;  // no metre a bar line could follow
    }
    out_.timeSignatures.push_back({At(now), numerator, 1 << denominatorPower});
}

void ArrangementBuilder::Finish(std::int64_t now, const VoiceCounters& counters) {
    out_.end = At(now);
    out_.counters = counters;
    // Notes still on when the piece ends last to its end.
    const auto holdToEnd = [&](std::int32_t index) {
        if (index >= 0) {
            out_.notes[index].end = out_.end;
        }
    };
    std::for_each(voiceNote_.begin(), voiceNote_.end(), holdToEnd);
    std::for_each(muted_.begin(), muted_.end(), holdToEnd);
    for (const auto& open : ignored_) {
        std::for_each(open.begin(), open.end(), holdToEnd);
    }
}

}  // namespace tonvell
