// SPDX-License-Identifier: MIT
#pragma once
// The instrument's byte format, shared by the side that writes it (the voice
// allocation, the reader's tempo commands, the listing writer) and the side
// that reads it back (the listing player and the sound port).
//
// A data block is a run of delay bytes and two-byte command pairs, closed by
// the end byte. Delay bytes have bit 7 set and carry seven bits of the delay
// each, least significant first; a command byte has bit 7 clear. The second
// byte of a pair, its parameter, has bit 7 set.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tonvell::zum {

// --- Delays and the end of a block ----------------------------------------------

inline constexpr std::uint8_t kDelayBit = 0x80;
inline constexpr std::uint8_t kDelayValueMask = 0x7F;
inline constexpr int kDelayBitsPerByte = 7;
// A command byte of 0 ends the block.
inline constexpr std::uint8_t kEndByte = 0x00;

constexpr bool IsDelayByte(std::uint8_t byte) {
    return (byte & kDelayBit) != 0;
}

// The delay byte carrying the low seven bits of bits.
constexpr std::uint8_t DelayByte(std::uint64_t bits) {
    return static_cast<std::uint8_t>(kDelayBit | (bits & kDelayValueMask));
}

// The seven bits of the delay a delay byte carries.
constexpr int DelayValue(std::uint8_t byte) {
    return byte & kDelayValueMask;
}

// --- How delays play -------------------------------------------------------------

// A delay is one delay byte or two: a delay byte right after a delay's first
// byte carries its bits 7 to 13, and a third delay byte in a row starts a new
// delay. A delay of value v waits v + 1 time units. The listing player reads
// delays this way, and so does everything that times a listing as it plays.
inline constexpr int kBytesPerPlayedDelay = 2;
// The longest wait one delay gives; a longer rest takes a third delay byte
// and plays shorter than it was written.
inline constexpr std::int64_t kLongestPlayedDelayUnits =
    std::int64_t{1} << (kBytesPerPlayedDelay * kDelayBitsPerByte);

// The value of a delay once its byte number index (0 or 1) is added to value.
constexpr int AddDelayByte(int value, std::uint8_t byte, int index) {
    return value + (DelayValue(byte) << (kDelayBitsPerByte * index));
}

// The time units a delay of value waits.
constexpr int DelayUnits(int value) {
    return value + 1;
}

// The time units a run of consecutive delay bytes waits as it plays: one
// delay per two bytes, the last one byte when the run's length is odd.
constexpr std::int64_t PlayedDelayUnits(std::span<const std::uint8_t> run) {
    std::int64_t units = 0;
    for (std::size_t start = 0; start < run.size(); start += kBytesPerPlayedDelay) {
        const std::size_t end = std::min(run.size(), start + kBytesPerPlayedDelay);
        int value = 0;
        for (std::size_t i = start; i < end; ++i) {
            value = AddDelayByte(value, run[i], static_cast<int>(i - start));
        }
        units += DelayUnits(value);
    }
    return units;
}

// --- Command pairs ----------------------------------------------------------------

// Every parameter byte has bit 7 set.
inline constexpr std::uint8_t kParameterBit = 0x80;

// The tempo command: its parameter carries a tempo value of 0 to 127, the
// most significant byte of the MIDI tempo.
inline constexpr std::uint8_t kTempoCommand = 0x0E;
inline constexpr std::uint8_t kTempoValueMask = 0x7F;

constexpr std::uint8_t TempoParameter(std::uint8_t tempoValue) {
    return static_cast<std::uint8_t>(kParameterBit | tempoValue);
}

// Milliseconds per delay unit when playback starts, before any tempo command.
inline constexpr int kInitialTimeUnitMs = 15;

// The tempo value v of a tempo command's parameter gives v * 223 / 100 ms per
// delay unit, rounded down, at least 1 ms.
constexpr int TimeUnitMs(std::uint8_t tempoParameter) {
    return std::max(1, (tempoParameter & kTempoValueMask) * 223 / 100);
}

inline constexpr int kVoiceCount = 6;

// A note's parameter: the voice (0 to 5) in bits 0-3, the velocity's bits 4-6
// in bits 4-6. Velocity bits of 0 turn the voice's note off.
inline constexpr std::uint8_t kVoiceMask = 0x0F;
inline constexpr std::uint8_t kVelocityMask = 0x70;

// The parameter with a velocity's bits 4-6 (0 to 127 in) and no voice yet:
// a voice number ORed in completes it.
constexpr std::uint8_t NoteParameterBase(int velocity) {
    return static_cast<std::uint8_t>(kParameterBit | (velocity & kVelocityMask));
}

constexpr std::uint8_t NoteOffParameter(int voice) {
    return static_cast<std::uint8_t>(kParameterBit | voice);
}

constexpr int VoiceOfParameter(std::uint8_t parameter) {
    return parameter & kVoiceMask;
}

constexpr int VelocityOfParameter(std::uint8_t parameter) {
    return parameter & kVelocityMask;
}

// The pair that silences voice: tone 1 of octave 1 with the velocity bits clear.
inline constexpr std::uint8_t kSilenceCommand = 0x11;

constexpr std::uint8_t SilenceParameter(int voice) {
    return static_cast<std::uint8_t>(kParameterBit + voice);
}

// --- Note codes -------------------------------------------------------------------

// The highest octave a note code holds; higher notes are played in it.
inline constexpr int kTopOctave = 7;

// Note code of a MIDI note (bit 7 ignored): octave (capped at 7) in bits 4-6,
// tone 1-12 in bits 0-3. Never the end byte, the tempo command or a delay byte.
constexpr std::uint8_t NoteCode(std::uint8_t note) {
    const int n = note & 0x7F;
    const int octave = std::min(n / 12, kTopOctave);
    return static_cast<std::uint8_t>((octave << 4) | ((n % 12) + 1));
}

// The MIDI key a note code sounds: the inverse of NoteCode for keys 0 to 95.
constexpr int NoteKey(std::uint8_t code) {
    return (code & 0x0F) + 12 * ((code >> 4) & kTopOctave) - 1;
}

}  // namespace tonvell::zum
