// Converting the largest accepted file in the window against setting the same
// four final texts into the same text boxes, side by side in one run on the
// offscreen platform. The window fills each box with its whole text in one
// call; filling line by line would take many times longer than the
// conversion itself.
//
//   build/window_fill_bench --benchmark_repetitions=5
//       --benchmark_enable_random_interleaving=true   (one command line)
//
// prints both times and, at the end, their ratio (the window's fill must stay
// within twice the time of setting the texts).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
    QString finalTexts[4];  // Memo1, Memo2, Memo3, Memo4 after the conversion
    std::size_t events = 0;
};

Bench* bench = nullptr;

void BM_ConvertAndFill(benchmark::State& state) {
    for (auto _ : state) {
        bench->form->ConvertFile(bench->path);
        QCoreApplication::processEvents();
    }
    state.counters["events"] = static_cast<double>(bench->events);
}

void BM_SetFinalTexts(benchmark::State& state) {
    TForm1& form = *bench->form;
    for (auto _ : state) {
        form.Memo1->setPlainText(bench->finalTexts[0]);
        form.Memo2->setPlainText(bench->finalTexts[1]);
        form.Memo3->setPlainText(bench->finalTexts[2]);
        form.Memo4->setPlainText(bench->finalTexts[3]);
        QCoreApplication::processEvents();
    }
}

// The conversion alone, without the window, for the breakdown.
void BM_ConvertOnly(benchmark::State& state) {
    const std::string path = bench->path.toStdString();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tonvell::Convert(path));
    }
}

BENCHMARK(BM_ConvertAndFill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetFinalTexts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the ratio of the two times once both have run.
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
                    medians_[name] = true;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto fill = times_.find("BM_ConvertAndFill");
        const auto set = times_.find("BM_SetFinalTexts");
        if (fill != times_.end() && set != times_.end() && set->second > 0) {
            std::printf("convert and fill / set final texts = %.2f (limit 2.00)\n",
                        fill->second / set->second);
        }
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, bool> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

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
    const tonvell::ConversionResult result = tonvell::Convert(state.path.toStdString());
    if (result.status != tonvell::ConversionResult::Status::Converted || result.cutShort) {
        std::fprintf(stderr, "the generated file does not convert whole\n");
        return 1;
    }
    for (const std::string& line : result.eventLog) {
        state.events += line.rfind("Пауза ", 0) == 0 ? 0 : 1;
    }
    state.events -= 8;  // the top line and the seven header lines
    state.form->ConvertFile(state.path);
    state.finalTexts[0] = state.form->Memo1->toPlainText();
    state.finalTexts[1] = state.form->Memo2->toPlainText();
    state.finalTexts[2] = state.form->Memo3->toPlainText();
    state.finalTexts[3] = state.form->Memo4->toPlainText();
    std::printf("file: %zu bytes, %zu events, %zu log lines, %zu listing lines\n", bytes.size(),
                state.events, result.eventLog.size(), result.listing.size());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    state.form.reset();
    return 0;
}
