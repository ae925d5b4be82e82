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

}  // namespace

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
