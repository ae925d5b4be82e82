// SPDX-License-Identifier: MIT
#include "playback/sound_port.h"

#include <ostream>

#include "convert/zum_protocol.h"
#include "playback/midi_messages.h"

namespace tonvell::playback {

namespace {

// The hidden test: A above middle C (key 69) at full velocity on channel 1;
// on the instrument the same note, tone 10 of octave 5 (5Ah), on voice 0 (F0h).
constexpr std::uint8_t kTestKey = 69;
constexpr std::uint8_t kTestVelocity = 127;
constexpr std::uint8_t kTestCommand = zum::NoteCode(kTestKey);
constexpr std::uint8_t kTestParameter = zum::NoteParameterBase(kTestVelocity);  // voice 0
static_assert(kTestCommand == 0x5A && kTestParameter == 0xF0);

const char kPortBusy[] = "COM port is busy or absent.";
const char kSettingsNotRead[] = "COM parameters are not obtained.";
const char kSettingsNotSet[] = "COM parameters are not set.";
const char kMidiBusy[] = "MIDI Device is busy or absent.";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsSerialEntry(std::string_view entry) {
    return StartsWith(entry, "COM") || StartsWith(entry, "/dev/");
}

std::optional<std::uint8_t> ProgramFromInstrumentText(std::string_view text) {
    int program = 0;
    std::size_t digits = 0;
    while (digits < 2 && digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        program = 10 * program + (text[digits] - '0');
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(program);  // two digits: never above 99
}

void PrintTo(PortState state, std::ostream* out) {
    if (state.IsNothingOpen()) {
        *out << "nothing open";
    } else if (state.IsSerialOpen()) {
        *out << "serial port";
    } else {
        *out << "MIDI device " << state.Value();
    }
}

SoundPort::SoundPort(PortView& view, SoundBackends backends)
    : view_(view), backends_(std::move(backends)) {}

SoundPort::~SoundPort() = default;

void SoundPort::FillOutputList() {
    if (backends_.serial) {
        for (const std::string& name : backends_.serial->Probe()) {
            view_.AppendOutput(name);
        }
    }
    midiDevices_.clear();
    for (const auto& backend : backends_.midi) {
        const std::vector<std::string> names = backend->DeviceNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            view_.AppendOutput(names[i]);
            midiDevices_.push_back({backend.get(), i});
        }
    }
}

void SoundPort::UpdateInstrumentEnabled() {
    view_.SetInstrumentEnabled(!(IsSerialEntry(view_.OutputText()) || view_.SelectedOutput() == 0));
}

int SoundPort::SerialEntryCount() const {
    int count = 0;
    for (int i = 1; i < view_.OutputCount(); ++i) {
        count += IsSerialEntry(view_.OutputItem(i)) ? 1 : 0;
    }
    return count;
}

PortOpenResult SoundPort::OpenSoundPort() {
    // Whatever an earlier open left behind is released first.
    serial_.reset();
    midi_.reset();
    serialLost_ = false;
    portState_ = PortState::NothingOpen();

    const int selected = view_.SelectedOutput();
    if (selected <= 0) {
        return PortOpenResult::Ready;
    }
    const std::string text = view_.OutputText();
    if (IsSerialEntry(text)) {
        return OpenSerial(text);
    }
    return OpenMidi(selected - 1 - SerialEntryCount());
}

PortOpenResult SoundPort::OpenSerial(const std::string& name) {
    if (!backends_.serial) {
        view_.ShowMessage(kPortBusy);
        return PortOpenResult::Failed;
    }
    std::unique_ptr<SerialLine> line;
    switch (backends_.serial->Open(name, line)) {
        case SerialBackend::OpenResult::Opened:
            break;
        case SerialBackend::OpenResult::BusyOrAbsent:
            view_.ShowMessage(kPortBusy);
            return PortOpenResult::Failed;
        case SerialBackend::OpenResult::SettingsNotRead:
            view_.ShowMessage(kSettingsNotRead);
            return PortOpenResult::Failed;
        case SerialBackend::OpenResult::SettingsNotSet:
            view_.ShowMessage(kSettingsNotSet);
            return PortOpenResult::Failed;
    }
    serial_ = std::move(line);
    portState_ = PortState::SerialOpen();
    return PortOpenResult::Ready;
}

PortOpenResult SoundPort::OpenMidi(int id) {
    if (id < 0) {
        return PortOpenResult::Ready;  // a serial-looking name counted among the serial ports
    }
    std::unique_ptr<MidiOutput> output;
    std::string failure;
    if (static_cast<std::size_t>(id) < midiDevices_.size()) {
        const MidiDevice& device = midiDevices_[static_cast<std::size_t>(id)];
        output = device.backend->Open(device.index);
        if (!output) {
            failure = device.backend->OpenFailure();
        }
    }
    if (!output) {
        view_.ShowMessage(failure.empty() ? kMidiBusy : failure);
        return PortOpenResult::Failed;
    }
    if (const auto program = ProgramFromInstrumentText(view_.InstrumentText())) {
        for (int channel = 0; channel < midi::kChannelsUsed; ++channel) {
            output->Send(midi::ProgramChange(channel, *program));
        }
    }
    midi_ = std::move(output);
    portState_ = PortState::MidiDevice(id);
    return PortOpenResult::Ready;
}

SendResult SoundPort::SendPair(std::uint8_t first, std::uint8_t second) {
    if (first == zum::kTempoCommand) {
        timeUnitMs_ = zum::TimeUnitMs(second);
        return SendResult::Sent;
    }
    if (portState_.IsSerialOpen() && serial_) {
        if (serialLost_) {
            return SendResult::DeviceLost;
        }
        switch (serial_->WritePair(first, second)) {
            case SerialLine::WriteResult::Written:
                return SendResult::Sent;
            case SerialLine::WriteResult::Failed:
                return SendResult::WriteFailed;
            case SerialLine::WriteResult::Lost:
                serialLost_ = true;
                return SendResult::DeviceLost;
        }
    }
    if (portState_.IsMidiDevice() && midi_) {
        // The voice's number is the MIDI channel that sounds it.
        const int channel = zum::VoiceOfParameter(second);
        const int key = zum::NoteKey(first);
        const int velocity = zum::VelocityOfParameter(second);
        midi_->Send(midi::AllSoundOff(channel));
        midi_->Send(midi::NoteOn(channel, static_cast<std::uint8_t>(key & 0x7F),
                                 static_cast<std::uint8_t>(velocity)));
    }
    return SendResult::Sent;
}

void SoundPort::SilenceSoundPort() {
    if (portState_.IsSerialOpen()) {
        // What the instrument takes as "voice off", on each of its voices.
        for (int voice = 0; voice < zum::kVoiceCount; ++voice) {
            SendPair(zum::kSilenceCommand, zum::SilenceParameter(voice));
        }
    } else if (portState_.IsMidiDevice() && midi_) {
        for (int channel = 0; channel < midi::kChannelsUsed; ++channel) {
            midi_->Send(midi::AllNotesOff(channel));
        }
    }
}

void SoundPort::CloseSoundPort() {
    if (portState_.IsSerialOpen()) {
        serial_.reset();
    } else if (portState_.IsMidiDevice() && midi_) {
        midi_->Reset();
        midi_.reset();
    }
}

void SoundPort::TestOutput() {
    if (OpenSoundPort() != PortOpenResult::Ready) {
        view_.ShowMessage("Неуд");
        return;
    }
    if (portState_.IsSerialOpen()) {
        SendPair(kTestCommand, kTestParameter);
        SilenceSoundPort();
    } else if (portState_.IsMidiDevice()) {
        midi_->Send(midi::NoteOn(0, kTestKey, kTestVelocity));
    }
    CloseSoundPort();
}

}  // namespace tonvell::playback
