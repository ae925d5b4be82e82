// SPDX-License-Identifier: MIT
#include "playback/rtmidi_backend.h"

#include <RtMidi.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>

#include "playback/midi_messages.h"

namespace tonvell::playback {

namespace {

constexpr char kClientName[] = "Tonvell";
constexpr int kAllChannels = 16;

#ifdef __linux__
constexpr RtMidi::Api kApi = RtMidi::LINUX_ALSA;
#else
constexpr RtMidi::Api kApi = RtMidi::UNSPECIFIED;
#endif

// Errors are the port's results, never text on standard error.
void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

bool SequencerPresent() {
#ifdef __linux__
    // Without it the ALSA library would print its own complaint.
    std::error_code error;
    return std::filesystem::exists("/dev/snd/seq", error);
#else
    return true;
#endif
}

std::unique_ptr<RtMidiOut> NewRtMidiOut() {
    if (!SequencerPresent()) {
        return nullptr;
    }
    try {
        auto out = std::make_unique<RtMidiOut>(kApi, kClientName);
        out->setErrorCallback(&IgnoreError, nullptr);
        return out;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

std::vector<std::string> RawPortNames(RtMidiOut& out) {
    std::vector<std::string> names;
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        names.push_back(out.getPortName(i));
    }
    return names;
}

class RtMidiOutput final : public MidiOutput {
public:
    explicit RtMidiOutput(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)) {}
    ~RtMidiOutput() override { out_->closePort(); }

    void Send(const MidiShortMessage& message) override {
        const unsigned char bytes[3] = {message.status, message.data1, message.data2};
        out_->sendMessage(bytes, message.Size());
    }
    // The sequencer has no reset of its own: All Notes Off on every channel.
    void Reset() override {
        for (int channel = 0; channel < kAllChannels; ++channel) {
            Send(midi::AllNotesOff(channel));
        }
    }

private:
    std::unique_ptr<RtMidiOut> out_;
};

class RtMidiBackend final : public MidiBackend {
public:
    std::vector<std::string> DeviceNames() override {
        auto out = NewRtMidiOut();
        if (!out) {
            return {};
        }
        names_ = StableMidiPortNames(RawPortNames(*out));
        return names_;
    }

    // Ports come and go while the program runs: the device is found again by
    // its shown name, not by its place at start.
    std::unique_ptr<MidiOutput> Open(std::size_t index) override {
        if (index >= names_.size()) {
            return nullptr;
        }
        auto out = NewRtMidiOut();
        if (!out) {
            return nullptr;
        }
        const std::vector<std::string> now = StableMidiPortNames(RawPortNames(*out));
        const auto found = std::find(now.begin(), now.end(), names_[index]);
        if (found == now.end()) {
            return nullptr;
        }
        out->openPort(static_cast<unsigned>(found - now.begin()), kClientName);
        if (!out->isPortOpen()) {
            return nullptr;
        }
        return std::make_unique<RtMidiOutput>(std::move(out));
    }

private:
    std::vector<std::string> names_;
};

}  // namespace

std::vector<std::string> StableMidiPortNames(const std::vector<std::string>& rtmidiNames) {
    // "Midi Through:Midi Through Port-0 14:0": the last part is the ALSA
    // client and port number, given out afresh by the system.
    static const std::regex kAddress(R"( \d+:\d+$)");
    std::vector<std::string> names;
    std::map<std::string, int> seen;
    for (const std::string& raw : rtmidiNames) {
        std::string name = std::regex_replace(raw, kAddress, "");
        const int count = ++seen[name];
        if (count > 1) {
            name += " #" + std::to_string(count);
        }
        names.push_back(std::move(name));
    }
    return names;
}

std::unique_ptr<MidiBackend> MakeRtMidiBackend() {
    return std::make_unique<RtMidiBackend>();
}

}  // namespace tonvell::playback
