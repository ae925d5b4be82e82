// SPDX-License-Identifier: MIT
#include "convert/voice_allocator.h"

#include <algorithm>
#include <bit>

#include "convert/midi_status.h"

namespace tonvell {

namespace {

constexpr int kFirstIgnoredChannel = 9;  // MIDI channels 10 to 16 take no part

// The first voice holding key, or the voice count when none does. Every voice
// is compared, without an early exit: which voice matches is as good as random,
// and a loop that stops there costs a mispredicted branch per note.
template <typename Voices>
int VoiceOf(const Voices& voices, std::int32_t key) {
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
    const int channel = midi::StatusChannel(status);
    if (channel >= kFirstIgnoredChannel) {
        return {};
    }
    const std::uint8_t code = zum::NoteCode(note);
    const int v = midi::StatusKind(status) == midi::kNoteOff ? 0 : velocity;
    const std::uint8_t base = zum::NoteParameterBase(v);
    const std::int32_t key = ((note & 0x7F) << 4) | channel;
    if ((v & 0x7F) != 0) {
        return NoteOn(key, code, base);
    }
    return NoteOff(key, code);
}

NoteOutcome VoiceAllocator::NoteOn(std::int32_t key, std::uint8_t code, std::uint8_t base) {
    ++counters_.noteOnCount;
    const int free = VoiceOf(voices_, kFreeVoice);
    if (free < zum::kVoiceCount) {
        voices_[static_cast<std::size_t>(free)] = key;
        commands_.Emit(code, static_cast<std::uint8_t>(base | free));
        return {NoteOutcome::Kind::OnFreeVoice, static_cast<std::int8_t>(free), false};
    }
    // All voices busy: take the one at the steal pointer. No note-off is written
    // for the note that loses it; the new command on that voice silences it.
    const int p = stealPointer_;
    const bool kept = PushMuted(voices_[p]);
    ++counters_.stealCount;
    voices_[p] = key;
    commands_.Emit(code, static_cast<std::uint8_t>(base | p));
    stealPointer_ = (p + 1) % zum::kVoiceCount;
    return {NoteOutcome::Kind::OnTakenVoice, static_cast<std::int8_t>(p), kept};
}

bool VoiceAllocator::PushMuted(std::int32_t key) {
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

NoteOutcome VoiceAllocator::NoteOff(std::int32_t key, std::uint8_t code) {
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
