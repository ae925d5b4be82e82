// SPDX-License-Identifier: MIT
#pragma once
// The benchmark's inputs: MIDI files of exactly kBenchFileBytes bytes, built
// the same way on every run.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonvell::bench {

inline constexpr std::size_t kBenchFileBytes = 250000;

struct BenchMidi {
    std::vector<std::uint8_t> bytes;
    std::size_t events = 0;  // track events, end of track included
};

// Notes on four channels (mostly under running status, some chords, some long
// pauses, note-offs both as 8n and as 9n with velocity 0), controllers,
// program changes, tempo changes and text meta events.
BenchMidi MakeBenchMidi();

// A format-1 file of exactly kBenchFileBytes bytes shaped like a sequencer's
// export: a conductor track (tempo changes, markers) and sixteen parts, one
// channel each, with the same kinds of events as MakeBenchMidi's.
BenchMidi MakeBenchMidiFormat1();

}  // namespace tonvell::bench
