// SPDX-License-Identifier: MIT
// Timing of the listing player in real time: a listing of 300 commands with
// delays of 1 to 40 units (fixed seed) is played on the steady clock by the
// player's own thread, as the window plays it, through the recording MIDI output
// and, separately, through a socat serial line read at its far end. Each
// command's time is compared with the ideal schedule from Play (first tick
// after 10 ms, then the written delays; Play is when the output is open and
// the player asks for its first tick); the 99th percentile and the drift at
// the end must stay within 1 ms and the maximum within 3 ms.
//   player_timing_bench [--commands N] [--tempo T] [--only recording|serial]
// --tempo T plays with the unit that tempo value T gives (T*223/100 ms); by
// default the unit is 15 ms. Exits 1 when a target is missed.

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "playback/listing_player.h"
#include "playback/memory_view.h"
#include "playback/player_thread.h"
#include "playback/qt_serial_backend.h"
#include "playback/recording_midi_backend.h"
#include "playback/sound_port.h"
#include "tests/support/socat_pair.h"
#include "timing_figures.h"

using namespace tonvell::playback;
using tonvell::bench::Figures;
using tonvell::bench::Measure;
using tonvell::bench::Report;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kFirstTickMs = ListingPlayer::kFirstIntervalMs;

struct Listing {
    std::string text;
    std::vector<int> delayUnits;  // after each command
};

// Commands on voice 0, a one-byte delay line after each; an optional tempo
// command first.
Listing MakeListing(int commands, int tempo) {
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> units(1, 40);
    Listing listing;
    char line[64];
    if (tempo >= 0) {
        std::snprintf(line, sizeof line, "DB 0Eh, %02Xh\n", 0x80 | tempo);
        listing.text += line;
    }
    for (int i = 0; i < commands; ++i) {
        const int wait = units(random);
        listing.delayUnits.push_back(wait);
        std::snprintf(line, sizeof line, "DB 51h, %02Xh\nDB %02Xh ;delay\n", i % 2 ? 0x80 : 0xF0,
                      0x80 | (wait - 1));
        listing.text += line;
    }
    listing.text += "DB 00h ;end of block\n";
    return listing;
}

// The ideal time of each command from Play, in ms.
std::vector<double> IdealSchedule(const Listing& listing, int unitMs) {
    std::vector<double> ideal;
    double at = kFirstTickMs;
    for (int units : listing.delayUnits) {
        ideal.push_back(at);
        at += units * unitMs;
    }
    return ideal;
}

// Plays the listing on the chosen output through the window's machinery and
// returns the moment of Play: when the output was open and the player asked
// for its first tick (the time a device takes to open is not the player's).
Clock::time_point PlayToTheEnd(SoundPort& port, MemoryView& view, const Listing& listing) {
    SteadyClock clock;
    PlayerThread player(view, port, clock);
    view.SetListing(listing.text);
    player.Rewind();
    player.Play();
    const Clock::time_point played =
        Clock::time_point(std::chrono::duration_cast<Clock::duration>(player.NextTickDue())) -
        std::chrono::milliseconds(ListingPlayer::kFirstIntervalMs);
    while (player.Playing()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return played;
}

double MsSince(Clock::time_point from, Clock::time_point at) {
    return std::chrono::duration<double, std::milli>(at - from).count();
}

std::vector<double> RecordingRun(const Listing& listing) {
    SteadyClock clock;
    MemoryView view;
    SoundBackends backends;
    auto midi = std::make_unique<RecordingMidiBackend>(std::vector<std::string>{"Recorder"}, clock);
    RecordingMidiBackend* recorder = midi.get();
    backends.midi.push_back(std::move(midi));
    SoundPort port(view, std::move(backends));
    port.FillOutputList();
    view.Choose("Recorder");
    view.instrument = "";
    const Clock::time_point played = PlayToTheEnd(port, view, listing);
    std::vector<double> times;
    for (const MidiLogEntry& entry : recorder->Log()) {
        // The Note On of each pair (All Notes Off at the end is a control change).
        if (entry.kind == MidiLogEntry::Kind::Message && (entry.message.status & 0xF0) == 0x90) {
            times.push_back(MsSince(
                played,
                Clock::time_point(std::chrono::duration_cast<Clock::duration>(entry.time))));
        }
    }
    return times;
}

// Notes when each pair's write returned at the near end.
class TimedSerialBackend final : public SerialBackend {
public:
    TimedSerialBackend(std::unique_ptr<SerialBackend> inner, std::vector<Clock::time_point>& times)
        : inner_(std::move(inner)), times_(times) {}
    std::vector<std::string> Probe() override { return inner_->Probe(); }
    OpenResult Open(const std::string& name, std::unique_ptr<SerialLine>& line) override {
        std::unique_ptr<SerialLine> opened;
        const OpenResult result = inner_->Open(name, opened);
        if (opened) {
            line = std::make_unique<TimedLine>(std::move(opened), times_);
        }
        return result;
    }

private:
    class TimedLine final : public SerialLine {
    public:
        TimedLine(std::unique_ptr<SerialLine> inner, std::vector<Clock::time_point>& times)
            : inner_(std::move(inner)), times_(times) {}
        WriteResult WritePair(std::uint8_t first, std::uint8_t second) override {
            const WriteResult result = inner_->WritePair(first, second);
            times_.push_back(Clock::now());
            return result;
        }

    private:
        std::unique_ptr<SerialLine> inner_;
        std::vector<Clock::time_point>& times_;
    };
    std::unique_ptr<SerialBackend> inner_;
    std::vector<Clock::time_point>& times_;
};

struct SerialTimes {
    std::vector<double> written;  // when the write returned
    std::vector<double> arrived;  // at the far end
};

SerialTimes SerialRun(const Listing& listing, bool& skipped) {
    tonvell::test::SocatPair line;
    QString why;
    if (!line.Start(why)) {
        std::fprintf(stderr, "serial run skipped: %s\n", qPrintable(why));
        skipped = true;
        return {};
    }
    tonvell::test::LineReader far(line.FarEnd());
    qputenv("TONVELL_SERIAL_PORTS", line.NearEnd().toLocal8Bit());
    MemoryView view;
    SoundBackends backends;
    std::vector<Clock::time_point> written;
    backends.serial = std::make_unique<TimedSerialBackend>(MakeQtSerialBackend(), written);
    SoundPort port(view, std::move(backends));
    port.FillOutputList();
    view.Choose(line.NearEnd().toStdString());
    const Clock::time_point played = PlayToTheEnd(port, view, listing);
    const std::size_t expected = 2 * listing.delayUnits.size() + 12;
    far.WaitFor(expected, std::chrono::seconds(5));
    const std::vector<tonvell::test::TimedByte> bytes = far.Bytes();
    SerialTimes times;
    for (std::size_t i = 0;
         i + 1 < bytes.size() && times.arrived.size() < listing.delayUnits.size(); i += 2) {
        times.arrived.push_back(MsSince(played, bytes[i].time));
    }
    for (std::size_t i = 0; i < written.size() && i < listing.delayUnits.size(); ++i) {
        times.written.push_back(MsSince(played, written[i]));
    }
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int commands = 300;
    int tempo = -1;
    QString only;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--commands")) {
            commands = args[i + 1].toInt();
        } else if (args[i] == QLatin1String("--tempo")) {
            tempo = args[i + 1].toInt() & 0x7F;
        } else if (args[i] == QLatin1String("--only")) {
            only = args[i + 1];
        }
    }
    const int unitMs = tempo < 0 ? SoundPort::kInitialTimeUnitMs : std::max(1, tempo * 223 / 100);
    const Listing listing = MakeListing(commands, tempo);
    const std::vector<double> ideal = IdealSchedule(listing, unitMs);
    std::printf("%d commands, delays of 1 to 40 units of %d ms, %.1f s of music\n\n", commands,
                unitMs, ideal.back() / 1000.0);
    tonvell::bench::PrintHeading("Output");
    bool met = true;
    if (only.isEmpty() || only == QLatin1String("recording")) {
        const std::vector<double> times = RecordingRun(listing);
        const Figures f = Measure(times, ideal);
        Report("recording MIDI output", f, times.size());
        met = met && f.Met() && times.size() == ideal.size();
    }
    if (only.isEmpty() || only == QLatin1String("serial")) {
        bool skipped = false;
        const SerialTimes times = SerialRun(listing, skipped);
        if (!skipped) {
            const Figures written = Measure(times.written, ideal);
            Report("serial line, write returned", written, times.written.size());
            const Figures arrived = Measure(times.arrived, ideal);
            Report("serial line, far end of socat", arrived, times.arrived.size());
            met = met && written.Met() && arrived.Met() && times.arrived.size() == ideal.size();
        }
    }
    std::fflush(stdout);
    return met ? 0 : 1;
}
