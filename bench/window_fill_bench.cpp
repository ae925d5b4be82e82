// SPDX-License-Identifier: MIT
// Choosing the largest accepted file in the window against converting it
// alone, side by side in one run on the offscreen platform: the time from the
// choice to all four text boxes filled (and the window painted) must stay
// within 20 times the conversion's own time (the aim is 10). The boxes'
// shares are measured too: the event log's view and the listing's text box.
//
//   build/window_fill_bench     (10 interleaved repetitions unless told otherwise)
//
// prints the times and, at the end, the ratio of the medians; the exit status
// is 1 when the ratio is over the limit.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/allocator_tuning.h"
#include "app/listing_box.h"
#include "app/message_boxes.h"
#include "app/tform1.h"
#include "convert/conversion.h"

namespace {

constexpr std::size_t kFileSize = 250000;

void PutVlq(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 4);
    while (count > 1) {
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

void PutText(std::vector<std::uint8_t>& out, std::size_t length) {
    out.push_back(0x00);
    out.push_back(0xFF);
    out.push_back(0x01);
    PutVlq(out, static_cast<std::uint32_t>(length));
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(static_cast<std::uint8_t>('a' + i % 26));
    }
}

// A format-0 file of exactly kFileSize bytes: three-note chords on channels 1
// to 10 in turn, note-ons under running status, note-offs with their own
// status, long pauses now and then, tempo and text events.
std::vector<std::uint8_t> LargestFile() {
    std::vector<std::uint8_t> track;
    constexpr std::size_t kTrackSize = kFileSize - 22;
    constexpr std::size_t kEnd = 4;  // 00 FF 2F 00
    for (std::uint32_t block = 0; track.size() + 200 < kTrackSize; ++block) {
        const std::uint8_t channel = block % 10;
        const std::uint8_t root = 36 + (block * 7) % 48;
        if (block % 25 == 0) {
            const std::uint8_t tempo[] = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
            track.insert(track.end(), std::begin(tempo), std::end(tempo));
        }
        if (block % 60 == 0) {
            PutText(track, 12);
        }
        PutVlq(track, block % 10 == 0 ? 300 : 6);
        track.push_back(static_cast<std::uint8_t>(0x90 | channel));
        for (int note = 0; note < 3; ++note) {
            if (note != 0) {
                PutVlq(track, 0);
            }
            track.push_back(static_cast<std::uint8_t>(root + note * 4));
            track.push_back(static_cast<std::uint8_t>(64 + note * 20));
        }
        PutVlq(track, 48);
        track.push_back(static_cast<std::uint8_t>(0x80 | channel));
        for (int note = 0; note < 3; ++note) {
            if (note != 0) {
                PutVlq(track, 0);
            }
            track.push_back(static_cast<std::uint8_t>(root + note * 4));
            track.push_back(0x40);
        }
    }
    // One text event pads the track to its exact size.
    const std::size_t left = kTrackSize - kEnd - track.size();
    PutText(track, left - 4 < 128 ? left - 4 : left - 5);
    const std::uint8_t end[] = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), std::begin(end), std::end(end));

    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd',  0,    0,   0,   6,   0,
                                      0,   0,   1,   0x01, 0xE0, 'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8) {
        file.push_back(static_cast<std::uint8_t>(track.size() >> shift));
    }
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

class SilentBoxes final : public tonvell::app::MessageBoxes {
public:
    void Message(const QString&, const QString&) override {}
    void Error(const QString&, const QString&) override {}
};

struct Bench {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TForm1> form;
    tonvell::ConversionResult result;  // of the file, for the boxes' shares
    QString listing;                   // Memo2's text after the conversion
};

Bench* bench = nullptr;

// From the choice of the file to the four boxes filled and the window painted.
void BM_ChooseFile(benchmark::State& state) {
    for (auto _ : state) {
        bench->form->ConvertFile(bench->path);
        QCoreApplication::processEvents();
    }
}

// The conversion alone, as the window runs it, without the window.
void BM_ConvertAlone(benchmark::State& state) {
    const std::string path = bench->path.toStdString();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tonvell::Convert(path));
    }
}

// The event log's share: its lines into Memo1.
void BM_FillEventLog(benchmark::State& state) {
    for (auto _ : state) {
        bench->form->Memo1->SetLines(bench->result.eventLog);
        QCoreApplication::processEvents();
    }
}

// The listing's share: its text into Memo2.
void BM_FillListing(benchmark::State& state) {
    for (auto _ : state) {
        bench->form->Memo2->Fill(bench->listing);
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_ChooseFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertAlone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillEventLog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillListing)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr double kLimit = 20.0;
constexpr double kAim = 10.0;

// Keeps each benchmark's median (or its only run) and prints the ratio of
// choosing the file to converting it once all have run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(name))) {
                times_[name] = run.GetAdjustedRealTime();
                if (median) {
                    medians_.insert(name);
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The ratio, or a negative number when either time is missing.
    double Ratio() const {
        const auto choose = times_.find("BM_ChooseFile");
        const auto convert = times_.find("BM_ConvertAlone");
        if (choose == times_.end() || convert == times_.end() || convert->second <= 0) {
            return -1;
        }
        return choose->second / convert->second;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double ratio = Ratio();
        if (ratio >= 0) {
            std::printf("choose file / convert alone = %.1f (limit %.0f, aim %.0f)\n", ratio,
                        kLimit, kAim);
        }
    }

private:
    std::map<std::string, double> times_;
    std::set<std::string> medians_;
};

// Google Benchmark's arguments, with interleaved repetitions unless the
// command line sets repetitions itself.
std::vector<char*> Arguments(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=10";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    const bool told = std::any_of(args.begin(), args.end(), [](const char* arg) {
        return std::string_view(arg).starts_with("--benchmark_repetitions");
    });
    if (!told) {
        args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
    }
    args.push_back(nullptr);
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    tonvell::app::KeepFreedMemory();  // as the program does
    std::vector<char*> args = Arguments(argc, argv);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(count, args.data());

    Bench state;
    bench = &state;
    const std::vector<std::uint8_t> bytes = LargestFile();
    state.path = state.dir.filePath(QStringLiteral("largest.mid"));
    QFile file(state.path);
    if (bytes.size() != kFileSize || !file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        std::fprintf(stderr, "cannot write the generated file\n");
        return 1;
    }
    file.close();

    state.form = std::make_unique<TForm1>();
    state.form->SetMessageBoxes(std::make_unique<SilentBoxes>());
    state.form->show();
    QCoreApplication::processEvents();
    state.result = tonvell::Convert(state.path.toStdString());
    if (state.result.status != tonvell::ConversionResult::Status::Converted ||
        state.result.cutShort) {
        std::fprintf(stderr, "the generated file does not convert whole\n");
        return 1;
    }
    state.form->ConvertFile(state.path);
    state.listing = state.form->Memo2->toPlainText();
    std::printf("file: %zu bytes, %zu log lines, %zu listing lines\n", bytes.size(),
                state.result.eventLog.size(), state.result.listing.size());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    state.form.reset();
    return reporter.Ratio() > kLimit ? 1 : 0;
}
