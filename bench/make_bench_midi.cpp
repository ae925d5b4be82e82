// SPDX-License-Identifier: MIT
// Writes the benchmark's MIDI files: make-bench-midi OUT.mid [OUT-FORMAT1.mid]

#include <cstdio>

#include "tests/support/bench_midi.h"

namespace {

bool Write(const char* path, const tonvell::bench::BenchMidi& midi) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr ||
        std::fwrite(midi.bytes.data(), 1, midi.bytes.size(), f) != midi.bytes.size() ||
        std::fclose(f) != 0) {
        std::perror(path);
        return false;
    }
    std::printf("%s: %zu bytes, %zu events\n", path, midi.bytes.size(), midi.events);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-bench-midi OUT.mid [OUT-FORMAT1.mid]\n");
        return 2;
    }
    if (!Write(argv[1], tonvell::bench::MakeBenchMidi()))
        return 1;
    if (argc == 3 && !Write(argv[2], tonvell::bench::MakeBenchMidiFormat1()))
        return 1;
    return 0;
}
