#include "playback/offline_playback.h"

#include <memory>

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

// The backend as the only entry of the list, so the port opens it.
class ForwardingBackend final : public MidiBackend {
public:
    explicit ForwardingBackend(MidiBackend& backend) : backend_(backend) {}
    std::vector<std::string> DeviceNames() override {
        auto names = backend_.DeviceNames();
        names.resize(1);
        return names;
    }
    std::unique_ptr<MidiOutput> Open(std::size_t index) override { return backend_.Open(index); }

private:
    MidiBackend& backend_;
};

// The window's controls as plain values: the device chosen, the instrument
// typed, the listing, and every message box (closed at once).
class OfflineView final : public PortView, public PlayerView {
public:
    OfflineView(const std::vector<std::string>& lines, std::string instrument,
                std::vector<std::string>& messages)
        : lines_(lines), instrument_(std::move(instrument)), messages_(messages) {}

    int OutputCount() const override { return static_cast<int>(outputs_.size()); }
    std::string OutputItem(int index) const override {
        return outputs_.at(static_cast<std::size_t>(index));
    }
    void AppendOutput(const std::string& name) override { outputs_.push_back(name); }
    int SelectedOutput() const override { return outputs_.size() > 1 ? 1 : 0; }
    std::string OutputText() const override { return OutputItem(SelectedOutput()); }
    std::string InstrumentText() const override { return instrument_; }
    void SetInstrumentEnabled(bool) override {}

    int LineCount() const override { return static_cast<int>(lines_.size()); }
    std::string Line(int index) const override {
        return index >= 0 && index < LineCount() ? lines_[static_cast<std::size_t>(index)] : "";
    }
    int CaretPosition() const override { return 0; }
    void SetLineLabel(const std::string&) override {}
    void SetControls(const PlayerControls&) override {}
    void ShowMessage(const std::string& text) override { messages_.push_back(text); }

private:
    std::vector<std::string> outputs_{"none"};
    const std::vector<std::string>& lines_;
    std::string instrument_;
    std::vector<std::string>& messages_;
};

// Counts the pairs on their way to the port.
class CountingOutput final : public PlayerOutput {
public:
    explicit CountingOutput(PlayerOutput& port) : port_(port) {}
    int OpenSoundPort() override { return port_.OpenSoundPort(); }
    SendResult SendPair(std::uint8_t first, std::uint8_t second) override {
        ++pairs;
        return port_.SendPair(first, second);
    }
    void SilenceSoundPort() override { port_.SilenceSoundPort(); }
    void CloseSoundPort() override { port_.CloseSoundPort(); }
    int TimeUnitMs() const override { return port_.TimeUnitMs(); }

    int pairs = 0;

private:
    PlayerOutput& port_;
};

}  // namespace

std::vector<std::string> ListingLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

OfflinePlayback PlayOffline(const std::vector<std::string>& lines, const std::string& instrument,
                            MidiBackend& backend, VirtualClock& clock,
                            const std::function<bool()>& keepGoing) {
    OfflinePlayback result;
    OfflineView view(lines, instrument, result.messages);
    SoundBackends backends;
    backends.midi.push_back(std::make_unique<ForwardingBackend>(backend));
    SoundPort port(view, std::move(backends));
    port.FillOutputList();
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
    result.end = clock.Now();
    return result;
}

}  // namespace tonvell::playback
