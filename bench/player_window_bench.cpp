// SPDX-License-Identifier: MIT
// The listing player's timing while the window shows playback: a converted
// MIDI file of 200 notes 10 ms apart is played from the real window on a
// recording MIDI output, while the window marks and scrolls the played line
// and the arrangement picture (open beside it) moves its play-head. The scale
// is the window's (QT_SCALE_FACTOR); it needs a display (xvfb-run). It plays
// twice: with the machine as it is, then with every core busy in other
// processes. Each note's time is compared with its time in the same playback
// on a virtual clock, both counted from the first tick's due time; the
// targets are p99 and drift within 1 ms, maximum within 3 ms.
//   player_window_bench [--scale S] [--notes N]
// Exits 1 when a target is missed.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/arrangement_window.h"
#include "app/tform1.h"
#include "convert/cp1251.h"
#include "midi_builder.h"
#include "playback/offline_playback.h"
#include "playback/player_thread.h"
#include "playback/recording_midi_backend.h"
#include "timing_figures.h"

using namespace tonvell::playback;
using namespace midi_test;
using std::milli;
using std::chrono::duration;

namespace {

// Tempo value 1 (2 ms units) and a note every 5 ticks: a note each 10 ms on
// one voice, each ending as the next begins.
Bytes NotesFile(int notes) {
    Bytes events = Ev(0, {0xFF, 0x51, 0x03, 0x01, 0x00, 0x00});
    for (int i = 0; i < notes; ++i) {
        const auto key = static_cast<std::uint8_t>(48 + i % 24);
        events = Cat({events, Ev(0, {0x90, key, 0x60}), Ev(5, {0x80, key, 0x00})});
    }
    return Format0(96, Cat({events, EndOfTrack()}));
}

bool IsNoteOn(const MidiLogEntry& entry) {
    return entry.kind == MidiLogEntry::Kind::Message && (entry.message.status & 0xF0) == 0x90;
}

// The times of the Note On messages from the first, in ms.
std::vector<double> NoteTimes(const std::vector<MidiLogEntry>& log, PlayerTime from) {
    std::vector<double> times;
    for (const MidiLogEntry& entry : log) {
        if (IsNoteOn(entry)) {
            times.push_back(duration<double, milli>(entry.time - from).count());
        }
    }
    return times;
}

// The listing played on a virtual clock: each note's time from the first.
std::vector<double> IdealTimes(const QString& listing) {
    MemoryView view;
    view.SetListing(tonvell::Utf8ToCp1251(listing.toStdString()));
    view.instrument = "";
    VirtualClock clock;
    RecordingMidiBackend backend({"ideal"}, clock);
    PlayOffline(view, backend, clock);
    std::vector<double> times = NoteTimes(backend.Log(), PlayerTime::zero());
    const double first = times.empty() ? 0 : times.front();
    for (double& t : times) {
        t -= first;
    }
    return times;
}

// Processes spinning on every core until they are ended.
class BusyCores {
public:
    BusyCores() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i) {
            const pid_t child = fork();
            if (child == 0) {
                for (;;) {
                    asm volatile("" ::: "memory");  // a loop the compiler keeps
                }
            }
            if (child > 0) {
                children_.push_back(child);
            }
        }
    }
    ~BusyCores() {
        for (const pid_t child : children_) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
    std::size_t Count() const { return children_.size(); }

private:
    std::vector<pid_t> children_;
};

void WaitWhile(const std::function<bool()>& condition) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!condition()) {
            loop.quit();
        }
    });
    poll.start(20);
    loop.exec();
}

// Plays the listing in the window from its top to its end; the notes' times
// from the first tick's due time.
std::vector<double> PlayInWindow(TForm1& form, RecordingMidiBackend& recorder) {
    form.Button6Click();
    recorder.ClearLog();
    form.Button4Click();
    const PlayerTime firstTick = form.Player().NextTickDue();
    WaitWhile([&] { return form.Player().Playing(); });
    // The window shows the end too.
    QEventLoop settle;
    QTimer::singleShot(100, &settle, &QEventLoop::quit);
    settle.exec();
    return NoteTimes(recorder.Log(), firstTick);
}

const char* PriorityName(tonvell::ThreadPriority priority) {
    switch (priority) {
        case tonvell::ThreadPriority::RealTime:
            return "real-time";
        case tonvell::ThreadPriority::Raised:
            return "raised nice value";
        case tonvell::ThreadPriority::Normal:
            break;
    }
    return "normal (nothing granted)";
}

}  // namespace

int main(int argc, char** argv) {
    QByteArray scale = "1";
    int notes = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QByteArray(argv[i]) == "--scale") {
            scale = argv[i + 1];
        } else if (QByteArray(argv[i]) == "--notes") {
            notes = std::max(2, std::atoi(argv[i + 1]));
        }
    }
    qputenv("QT_SCALE_FACTOR", scale);
    QApplication app(argc, argv);
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());  // Cfg.ini goes there
    const QString song = folder.filePath(QStringLiteral("notes.mid"));
    {
        QFile file(song);
        const Bytes bytes = NotesFile(notes);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(song));
            return 2;
        }
    }

    SteadyClock clock;
    SoundBackends backends;
    auto midi = std::make_unique<RecordingMidiBackend>(std::vector<std::string>{"Recorder"}, clock);
    RecordingMidiBackend& recorder = *midi;
    backends.midi.push_back(std::move(midi));
    TForm1 form(std::move(backends));
    form.show();
    if (!form.OpenFile(song)) {
        std::fprintf(stderr, "the window did not open %s\n", qPrintable(song));
        return 2;
    }
    form.ShowArrangementWindow();
    form.ComboBox11->setCurrentIndex(form.ComboBox11->findText(QStringLiteral("Recorder")));
    form.ComboBox12->setCurrentText(QString());
    const std::vector<double> ideal = IdealTimes(form.Memo2->toPlainText());

    std::printf("%zu note messages (%d notes 10 ms apart), scale %s, player thread: %s\n\n",
                ideal.size(), notes, scale.constData(), PriorityName(form.Player().Priority()));
    tonvell::bench::PrintHeading("Machine");
    bool met = true;
    const auto run = [&](const char* name) {
        const std::vector<double> actual = PlayInWindow(form, recorder);
        const tonvell::bench::Figures f = tonvell::bench::Measure(actual, ideal);
        tonvell::bench::Report(name, f, actual.size());
        met = met && f.Met() && actual.size() == ideal.size();
    };
    run("as it is");
    {
        const BusyCores busy;
        std::fprintf(stderr, "%zu busy processes\n", busy.Count());
        run("every core busy");
    }
    return met ? 0 : 1;
}
