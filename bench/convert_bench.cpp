// SPDX-License-Identifier: MIT
// Micro-benchmarks of the conversion and the writers on the benchmark file.

#include <benchmark/benchmark.h>

#include "convert/conversion.h"
#include "output/arrangement_svg.h"
#include "output/listing_formats.h"
#include "tests/support/bench_midi.h"

namespace {

const tonvell::bench::BenchMidi& File() {
    static const auto midi = tonvell::bench::MakeBenchMidi();
    return midi;
}

const tonvell::bench::BenchMidi& Format1File() {
    static const auto midi = tonvell::bench::MakeBenchMidiFormat1();
    return midi;
}

// Converts a benchmark file over and over with the given options.
void ConvertRepeatedly(benchmark::State& state, const tonvell::ConvertOptions& options,
                       const tonvell::bench::BenchMidi& midi = File()) {
    for (auto _ : state) {
        auto result = tonvell::ConvertBytes(midi.bytes, "bench.mid", options);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * midi.bytes.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * midi.events));
}

using tonvell::TextDelivery;

// As the window converts: both texts collected as lines.
void BM_ConvertBytes(benchmark::State& state) {
    ConvertRepeatedly(state, {});
}
BENCHMARK(BM_ConvertBytes)->Unit(benchmark::kMillisecond);

// As tonvell-cli --svg converts: no texts, the arrangement built.
void BM_ConvertBytesArrangement(benchmark::State& state) {
    tonvell::Arrangement arrangement;
    ConvertRepeatedly(state, {.eventLog = TextDelivery::Skip(),
                              .listing = TextDelivery::Skip(),
                              .arrangement = &arrangement});
}
BENCHMARK(BM_ConvertBytesArrangement)->Unit(benchmark::kMillisecond);

// The arrangement's picture laid out and written as SVG.
void BM_ArrangementSvg(benchmark::State& state) {
    tonvell::Arrangement arrangement;
    tonvell::ConvertBytes(File().bytes, "bench.mid",
                          {.eventLog = TextDelivery::Skip(),
                           .listing = TextDelivery::Skip(),
                           .arrangement = &arrangement});
    for (auto _ : state) {
        auto svg = tonvell::ArrangementSvg(arrangement);
        benchmark::DoNotOptimize(svg);
    }
}
BENCHMARK(BM_ArrangementSvg)->Unit(benchmark::kMillisecond);

// The event log skipped.
void BM_ConvertBytesWithoutLog(benchmark::State& state) {
    ConvertRepeatedly(state, {.eventLog = TextDelivery::Skip()});
}
BENCHMARK(BM_ConvertBytesWithoutLog)->Unit(benchmark::kMillisecond);

// One text as tonvell-cli converts it and writes it out: handed over in
// pieces, the other text skipped.
void ConvertStreamed(benchmark::State& state, bool log,
                     const tonvell::bench::BenchMidi& midi = File()) {
    std::size_t handed = 0;
    TextDelivery stream =
        TextDelivery::Stream([&](std::string_view piece) { handed += piece.size(); },
                             log ? tonvell::LineBreak::Lf : tonvell::LineBreak::CrLf);
    if (log) {
        ConvertRepeatedly(state, {.eventLog = stream, .listing = TextDelivery::Skip()}, midi);
    } else {
        ConvertRepeatedly(state, {.eventLog = TextDelivery::Skip(), .listing = stream}, midi);
    }
    benchmark::DoNotOptimize(handed);
}

// The listing as tonvell-cli writes it, with CR LF line breaks.
void BM_ConvertBytesStreamed(benchmark::State& state) {
    ConvertStreamed(state, false);
}
BENCHMARK(BM_ConvertBytesStreamed)->Unit(benchmark::kMillisecond);

// The event log as tonvell-cli --log writes it.
void BM_ConvertBytesLogStreamed(benchmark::State& state) {
    ConvertStreamed(state, true);
}
BENCHMARK(BM_ConvertBytesLogStreamed)->Unit(benchmark::kMillisecond);

// The listing of the format-1 file, its seventeen tracks merged as they are read.
void BM_ConvertBytesStreamedFormat1(benchmark::State& state) {
    ConvertStreamed(state, false, Format1File());
}
BENCHMARK(BM_ConvertBytesStreamedFormat1)->Unit(benchmark::kMillisecond);

void BM_ListingRenderer(benchmark::State& state) {
    const auto result = tonvell::ConvertBytes(File().bytes, "bench.mid");
    const std::string listing = tonvell::JoinLines(result.listing);
    for (auto _ : state) {
        std::size_t size = 0;
        tonvell::ListingRenderer(tonvell::ListingFileType::Inc, [&](std::string_view piece) {
            size += piece.size();
        }).Add(listing);
        benchmark::DoNotOptimize(size);
    }
}
BENCHMARK(BM_ListingRenderer)->Unit(benchmark::kMillisecond);

void BM_RenderListingFile(benchmark::State& state) {
    const auto type = static_cast<tonvell::ListingFileType>(state.range(0) - 1);
    const auto result = tonvell::ConvertBytes(File().bytes, "bench.mid");
    for (auto _ : state) {
        auto bytes = tonvell::RenderListingFile(tonvell::JoinLines(result.listing), type);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_RenderListingFile)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_JoinEventLog(benchmark::State& state) {
    const auto result = tonvell::ConvertBytes(File().bytes, "bench.mid");
    for (auto _ : state) {
        auto text = tonvell::JoinLines(result.eventLog);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_JoinEventLog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
