// Writes the benchmark's MIDI file: make-bench-midi OUT.mid

#include <cstdio>

#include "bench/bench_midi.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bench-midi OUT.mid\n");
        return 2;
    }
    const auto midi = tonvell::bench::MakeBenchMidi();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr ||
        std::fwrite(midi.bytes.data(), 1, midi.bytes.size(), f) != midi.bytes.size() ||
        std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes, %zu events\n", argv[1], midi.bytes.size(), midi.events);
    return 0;
}
