// SPDX-License-Identifier: MIT
#include "playback/offline_playback.h"

#include <memory>

#include "convert/zum_protocol.h"
#include "playback/listing_player.h"
#include "playback/sound_port.h"

namespace tonvell::playback {

namespace {

class VirtualTimer final : public PlayerTimer {
public:
    void Start(PlayerTime due) override {
        due_ = due;
        active_ = true;
    }
    void Stop() override { active_ = false; }
    bool Active() const override { return active_; }
    PlayerTime Due() const { return due_; }

private:
    PlayerTime due_{};
    bool active_ = false;
};

// The backend's first device as the only entry of the list.
class FirstDeviceOf final : public MidiBackend {
public:
    explicit FirstDeviceOf(MidiBackend& backend) : backend_(backend) {}
    std::vector<std::string> DeviceNames() override {
        auto names = backend_.DeviceNames();
        names.resize(1);
        return names;
    }
    std::unique_ptr<MidiOutput> Open(std::size_t index) override { return backend_.Open(index); }

private:
    MidiBackend& backend_;
};

// Counts the pairs on their way to the port.
class CountingOutput final : public PlayerOutput {
public:
    explicit CountingOutput(PlayerOutput& port) : port_(port) {}
    PortOpenResult OpenSoundPort() override { return port_.OpenSoundPort(); }
    SendResult SendPair(std::uint8_t first, std::uint8_t second) override {
        ++pairs;
        if (first != zum::kTempoCommand) {
            ++notePairs;
        }
        return port_.SendPair(first, second);
    }
    void SilenceSoundPort() override { port_.SilenceSoundPort(); }
    void CloseSoundPort() override { port_.CloseSoundPort(); }
    int TimeUnitMs() const override { return port_.TimeUnitMs(); }

    int pairs = 0;
    int notePairs = 0;

private:
    PlayerOutput& port_;
};

// A device that takes every message and makes no sound.
class SilentBackend final : public MidiBackend {
public:
    std::vector<std::string> DeviceNames() override { return {"silence"}; }
    std::unique_ptr<MidiOutput> Open(std::size_t) override { return std::make_unique<Output>(); }

private:
    class Output final : public MidiOutput {
    public:
        void Send(const MidiShortMessage&) override {}
        void Reset() override {}
    };
};

// Notes the line the player stands on: it reads a line when it moves onto it.
class LineWatchingView final : public MemoryView {
public:
    explicit LineWatchingView(const MemoryView& view) : MemoryView(view) {}
    std::string Line(int index) const override {
        current = index;
        lines = std::max(lines, index + 1);
        return MemoryView::Line(index);
    }
    mutable int current = 0;
    mutable int lines = 0;
};

// A device that notes when a message first came from each line.
class LineTimingBackend final : public MidiBackend {
public:
    LineTimingBackend(const LineWatchingView& view, const VirtualClock& clock)
        : view_(view), clock_(clock) {}
    std::vector<std::string> DeviceNames() override { return {"timing"}; }
    std::unique_ptr<MidiOutput> Open(std::size_t) override {
        return std::make_unique<Output>(*this);
    }
    std::vector<std::pair<int, PlayerTime>> sent;  // line and time, in playing order

private:
    class Output final : public MidiOutput {
    public:
        explicit Output(LineTimingBackend& owner) : owner_(owner) {}
        void Send(const MidiShortMessage&) override {
            const int line = owner_.view_.current;
            if (owner_.sent.empty() || owner_.sent.back().first != line) {
                owner_.sent.emplace_back(line, owner_.clock_.Now());
            }
        }
        void Reset() override {}

    private:
        LineTimingBackend& owner_;
    };
    const LineWatchingView& view_;
    const VirtualClock& clock_;
};

double SecondsBetween(PlayerTime from, PlayerTime to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

double ListingTimeline::AtLine(int line) const {
    if (lineSeconds.empty() || line < 0) {
        return 0;
    }
    return lineSeconds[std::min(static_cast<std::size_t>(line), lineSeconds.size() - 1)];
}

ListingTimeline MeasureTimeline(const MemoryView& view) {
    VirtualClock clock;
    LineWatchingView watched(view);
    watched.instrument = "";  // no program changes: only the listing's commands
    LineTimingBackend backend(watched, clock);
    const OfflinePlayback played = PlayOffline(watched, backend, clock);
    // The first tick plays at 0.
    const PlayerTime firstTick = std::chrono::milliseconds(ListingPlayer::kFirstIntervalMs);
    ListingTimeline timeline;
    timeline.lineSeconds.assign(static_cast<std::size_t>(watched.lines), 0.0);
    std::size_t next = 0;
    double seconds = 0;
    for (int line = 0; line < watched.lines; ++line) {
        while (next < backend.sent.size() && backend.sent[next].first <= line) {
            seconds = std::max(0.0, SecondsBetween(firstTick, backend.sent[next].second));
            ++next;
        }
        timeline.lineSeconds[static_cast<std::size_t>(line)] = seconds;
    }
    timeline.totalSeconds = std::max(0.0, SecondsBetween(firstTick, played.end));
    return timeline;
}

OfflinePlayback MeasureOffline(const MemoryView& view) {
    MemoryView copy = view;
    SilentBackend backend;
    VirtualClock clock;
    return PlayOffline(copy, backend, clock);
}

OfflinePlayback PlayOffline(MemoryView& view, MidiBackend& backend, VirtualClock& clock,
                            const std::function<bool()>& keepGoing) {
    OfflinePlayback result;
    SoundBackends backends;
    backends.midi.push_back(std::make_unique<FirstDeviceOf>(backend));
    SoundPort port(view, std::move(backends));
    view.outputs = {"none"};
    port.FillOutputList();
    view.selected = 1;
    CountingOutput output(port);
    VirtualTimer timer;
    ListingPlayer player(view, output, timer, clock);

    player.Play();
    while (timer.Active()) {
        if (!keepGoing()) {
            result.cutShort = true;
            player.Stop();
            break;
        }
        timer.Stop();
        clock.AdvanceTo(timer.Due());
        player.Tick();
    }
    result.commandPairs = output.pairs;
    result.notePairs = output.notePairs;
    result.end = clock.Now();
    return result;
}

}  // namespace tonvell::playback
