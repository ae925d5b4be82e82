// SPDX-License-Identifier: MIT
#include "convert/voice_allocator.h"

#include <algorithm>
#include <bit>

#include "convert/midi_status.h"

namespace tonvell {

namespace {

// The first voice holding key, or the voice count when none does. Every voice
// is compared, without an early exit: which voice matches is as good as random,
// and a loop that stops there costs a mispredicted branch per note.
template <typename Voices>
int VoiceOf(const Voices& voices, NoteKey key) {
    unsigned matches = 0;
    for (std::size_t i = 0; i < voices.size(); ++i) {
        matches |= static_cast<unsigned>(voices[i] == key) << i;
    }
    return matches == 0 ? static_cast<int>(voices.size()) : std::countr_zero(matches);
}

}  // namespace

void VoiceAllocator::Reset() {
    voices_.fill(kFreeVoice);
    mutedCount_ = 0;
    mutedTimes_.fill(0);
    stealPointer_ = 0;
    stackFullShown_ = false;
    counters_ = {};
}

NoteOutcome VoiceAllocator::NoteEvent(std::uint8_t status, std::uint8_t note,
                                      std::uint8_t velocity) {
    const int v = midi::StatusKind(status) == midi::kNoteOff ? 0 : velocity;
    if (!StatusChannelChosen(channels_, status)) {
        return PassOver(NoteOutcome::Kind::Ignored, v);
    }
    // Without a transposition the data byte is played as it stands.
    std::uint8_t played = note;
    if (transpose_ != 0) {
        const int n = TransposedNote(note, transpose_);
        if (n < 0) {
            return PassOver(NoteOutcome::Kind::OutOfRange, v);
        }
        played = static_cast<std::uint8_t>(n);
    }
    const std::uint8_t code = zum::NoteCode(played);
    const std::uint8_t base = zum::NoteParameterBase(v);
    const NoteKey key = NoteKeyOf(played & 0x7F, midi::StatusChannel(status));
    if ((v & 0x7F) != 0) {
        return NoteOn(key, code, base);
    }
    return NoteOff(key, code);
}

NoteOutcome VoiceAllocator::PassOver(NoteOutcome::Kind kind, int velocity) {
    if ((velocity & 0x7F) != 0) {
        ++counters_.passedOverCount;
    }
    return {kind, -1, false};
}

NoteOutcome VoiceAllocator::NoteOn(NoteKey key, std::uint8_t code, std::uint8_t base) {
    ++counters_.noteOnCount;
    const int free = VoiceOf(voices_, kFreeVoice);
    if (free < zum::kVoiceCount) {
        voices_[static_cast<std::size_t>(free)] = key;
        commands_.Emit(code, static_cast<std::uint8_t>(base | free));
        return {NoteOutcome::Kind::OnFreeVoice, static_cast<std::int8_t>(free), false};
    }
    return NoteOnAllBusy(key, code, base);
}

NoteOutcome VoiceAllocator::NoteOnAllBusy(NoteKey key, std::uint8_t code, std::uint8_t base) {
    switch (keep_) {
        case KeepPolicy::New: {
            const int p = stealPointer_;
            stealPointer_ = (p + 1) % zum::kVoiceCount;
            return TakeVoice(p, key, code, base);
        }
        case KeepPolicy::Old:
            return Mute(key);
        case KeepPolicy::High:
        case KeepPolicy::Low: {
            // The voice of the lowest (High) or highest (Low) note; on a tie
            // the first such voice. It goes to a new note beyond that note.
            const bool high = keep_ == KeepPolicy::High;
            const auto beyond = [high](int a, int b) { return high ? a > b : a < b; };
            int weakest = 0;
            int weakestNote = NoteOfKey(voices_[0]);
            for (int i = 1; i < zum::kVoiceCount; ++i) {
                const int n = NoteOfKey(voices_[static_cast<std::size_t>(i)]);
                if (beyond(weakestNote, n)) {
                    weakest = i;
                    weakestNote = n;
                }
            }
            return beyond(NoteOfKey(key), weakestNote) ? TakeVoice(weakest, key, code, base)
                                                       : Mute(key);
        }
    }
    return Mute(key);
}

NoteOutcome VoiceAllocator::TakeVoice(int voice, NoteKey key, std::uint8_t code,
                                      std::uint8_t base) {
    // No note-off is written for the note that loses the voice; the new
    // command on that voice silences it.
    const auto v = static_cast<std::size_t>(voice);
    const bool kept = PushMuted(voices_[v]);
    ++counters_.stealCount;
    voices_[v] = key;
    commands_.Emit(code, static_cast<std::uint8_t>(base | voice));
    return {NoteOutcome::Kind::OnTakenVoice, static_cast<std::int8_t>(voice), kept};
}

NoteOutcome VoiceAllocator::Mute(NoteKey key) {
    // The new note is not played, and counts as a switched-off note; its
    // note-off is swallowed like a silenced note's.
    const bool kept = PushMuted(key);
    ++counters_.stealCount;
    return {NoteOutcome::Kind::OnMuted, -1, kept};
}

bool VoiceAllocator::PushMuted(NoteKey key) {
    // With the stack full the muted key is dropped; its later note-off then
    // finds nothing to swallow.
    const bool kept = mutedCount_ < kMutedStackSize;
    if (kept) {
        muted_[mutedCount_++] = key;
        ++mutedTimes_[static_cast<std::size_t>(key)];
    }
    if (mutedCount_ >= kMutedStackSize && !stackFullShown_) {
        warnings_.Add(Warning::StackFull);
        stackFullShown_ = true;
    }
    counters_.mutedPeak = std::max(counters_.mutedPeak, mutedCount_);
    return kept;
}

NoteOutcome VoiceAllocator::NoteOff(NoteKey key, std::uint8_t code) {
    if (mutedTimes_[static_cast<std::size_t>(key)] != 0) {
        auto stackEnd = muted_.begin() + mutedCount_;
        auto muted = std::find(muted_.begin(), stackEnd, key);
        std::copy(muted + 1, stackEnd, muted);  // keep the rest in order
        --mutedCount_;
        --mutedTimes_[static_cast<std::size_t>(key)];
        return {NoteOutcome::Kind::OffSwallowed, -1, false};
    }
    const int voice = VoiceOf(voices_, key);
    if (voice < zum::kVoiceCount) {
        commands_.Emit(code, zum::NoteOffParameter(voice));
        voices_[static_cast<std::size_t>(voice)] = kFreeVoice;
        return {NoteOutcome::Kind::OffReleased, static_cast<std::int8_t>(voice), false};
    }
    return {NoteOutcome::Kind::OffUnmatched, -1, false};
}

}  // namespace tonvell
