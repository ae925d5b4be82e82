// Micro-benchmarks of the conversion and the writers on the benchmark file.

#include <benchmark/benchmark.h>

#include "bench/bench_midi.h"
#include "convert/conversion.h"
#include "output/listing_formats.h"

namespace {

const tonvell::bench::BenchMidi& File() {
    static const auto midi = tonvell::bench::MakeBenchMidi();
    return midi;
}

void BM_ConvertBytes(benchmark::State& state) {
    const auto& midi = File();
    for (auto _ : state) {
        auto result = tonvell::ConvertBytes(midi.bytes, "bench.mid");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * midi.bytes.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * midi.events));
}
BENCHMARK(BM_ConvertBytes)->Unit(benchmark::kMillisecond);

// What tonvell-cli does without --log: the event log is left out.
void BM_ConvertBytesWithoutLog(benchmark::State& state) {
    const auto& midi = File();
    for (auto _ : state) {
        auto result = tonvell::ConvertBytes(midi.bytes, "bench.mid", {.eventLog = false});
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * midi.bytes.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * midi.events));
}
BENCHMARK(BM_ConvertBytesWithoutLog)->Unit(benchmark::kMillisecond);

// The listing as tonvell-cli converts it and writes it out: a type-1 file of
// an ASCII name, handed over in pieces.
void BM_ConvertBytesStreamed(benchmark::State& state) {
    const auto& midi = File();
    for (auto _ : state) {
        std::size_t size = 0;
        tonvell::ConvertOptions options;
        options.eventLog = false;
        options.listingCrLf = true;
        options.listingSink = [&](std::string_view piece) { size += piece.size(); };
        auto result = tonvell::ConvertBytes(midi.bytes, "bench.mid", options);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(size);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * midi.events));
}
BENCHMARK(BM_ConvertBytesStreamed)->Unit(benchmark::kMillisecond);

// The event log as tonvell-cli --log converts it and writes it out.
void BM_ConvertBytesLogStreamed(benchmark::State& state) {
    const auto& midi = File();
    for (auto _ : state) {
        std::size_t size = 0;
        tonvell::ConvertOptions options;
        options.listing = false;
        options.eventLogSink = [&](std::string_view piece) { size += piece.size(); };
        auto result = tonvell::ConvertBytes(midi.bytes, "bench.mid", options);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(size);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * midi.events));
}
BENCHMARK(BM_ConvertBytesLogStreamed)->Unit(benchmark::kMillisecond);

// The listing as one text, as the window's save and copy take it.
void BM_ConvertBytesAsText(benchmark::State& state) {
    const auto& midi = File();
    for (auto _ : state) {
        auto result = tonvell::ConvertBytes(midi.bytes, "bench.mid",
                                            {.eventLog = false, .listingAsText = true});
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * midi.events));
}
BENCHMARK(BM_ConvertBytesAsText)->Unit(benchmark::kMillisecond);

void BM_RenderListingTo(benchmark::State& state) {
    const auto result = tonvell::ConvertBytes(File().bytes, "bench.mid",
                                              {.eventLog = false, .listingAsText = true});
    for (auto _ : state) {
        std::size_t size = 0;
        tonvell::RenderListingTo(result.listingText, tonvell::ListingFileType::Inc,
                                 [&](std::string_view piece) { size += piece.size(); });
        benchmark::DoNotOptimize(size);
    }
}
BENCHMARK(BM_RenderListingTo)->Unit(benchmark::kMillisecond);

void BM_RenderListing(benchmark::State& state) {
    const auto type = static_cast<tonvell::ListingFileType>(state.range(0));
    const auto result = tonvell::ConvertBytes(File().bytes, "bench.mid");
    for (auto _ : state) {
        auto bytes = tonvell::RenderListing(tonvell::JoinListing(result.listing), type);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_RenderListing)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_JoinEventLog(benchmark::State& state) {
    const auto result = tonvell::ConvertBytes(File().bytes, "bench.mid");
    for (auto _ : state) {
        auto text = tonvell::JoinListing(result.eventLog);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_JoinEventLog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
