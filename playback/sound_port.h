// SPDX-License-Identifier: MIT
#pragma once
// The sound output port: the list of outputs offered to the user ("none",
// serial ports, MIDI devices), opening the chosen one, turning command pairs
// into serial bytes or MIDI messages, and silencing and closing it. It also
// holds the time unit of playback, which the tempo command sets.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/zum_protocol.h"
#include "playback/midi_output.h"
#include "playback/player_output.h"
#include "playback/player_view.h"
#include "playback/serial_line.h"

namespace tonvell::playback {

// The device sources behind the port. serial may be null (no serial ports);
// the MIDI devices of the backends are listed one backend after another.
struct SoundBackends {
    std::unique_ptr<SerialBackend> serial;
    std::vector<std::unique_ptr<MidiBackend>> midi;
};

// An output list entry names a serial port when it begins with "COM" (a
// Windows port name) or "/dev/" (a device path); every other entry after
// "none" is a MIDI device.
bool IsSerialEntry(std::string_view entry);

// The MIDI program of an instrument text: its leading decimal digits among
// the first two characters ("73 Flute" 73, "5 Bells" 5). Empty when the text
// does not begin with a digit (the list's empty item, typed names): the
// device then keeps its own instrument.
std::optional<std::uint8_t> ProgramFromInstrumentText(std::string_view text);

// What the port has open: nothing, the serial port, or a MIDI device by its
// identifier. Value() is the number that stands for it: -2 nothing open, -1
// the serial port, the device's identifier (0 and above).
class PortState {
public:
    static constexpr PortState NothingOpen() { return PortState(kNothing); }
    static constexpr PortState SerialOpen() { return PortState(kSerial); }
    static constexpr PortState MidiDevice(int id) { return PortState(id < 0 ? kNothing : id); }

    constexpr bool IsNothingOpen() const { return value_ == kNothing; }
    constexpr bool IsSerialOpen() const { return value_ == kSerial; }
    constexpr bool IsMidiDevice() const { return value_ >= 0; }
    constexpr int Value() const { return value_; }

    friend constexpr bool operator==(PortState, PortState) = default;
    // "nothing open", "serial port" or "MIDI device N", for test messages.
    friend void PrintTo(PortState state, std::ostream* out);

private:
    static constexpr int kNothing = -2;
    static constexpr int kSerial = -1;
    explicit constexpr PortState(int value) : value_(value) {}
    int value_;
};

class SoundPort final : public PlayerOutput {
public:
    static constexpr int kInitialTimeUnitMs = zum::kInitialTimeUnitMs;

    SoundPort(PortView& view, SoundBackends backends);
    ~SoundPort() override;

    // Appends the serial ports and then the MIDI devices to the output list.
    // Called once, at window creation.
    void FillOutputList();
    // The instrument box is disabled for a serial port and for "none".
    void UpdateInstrumentEnabled();

    PortOpenResult OpenSoundPort() override;
    SendResult SendPair(std::uint8_t first, std::uint8_t second) override;
    void SilenceSoundPort() override;
    void CloseSoundPort() override;
    int TimeUnitMs() const override { return timeUnitMs_; }

    // The hidden test button: opens the chosen output, sounds a test note
    // and closes it again at once.
    void TestOutput();

    // Opening sets it; closing leaves it as it was.
    PortState State() const { return portState_; }

private:
    struct MidiDevice {
        MidiBackend* backend;
        std::size_t index;
    };
    PortOpenResult OpenSerial(const std::string& name);
    PortOpenResult OpenMidi(int id);
    int SerialEntryCount() const;

    PortView& view_;
    SoundBackends backends_;
    std::vector<MidiDevice> midiDevices_;  // by device identifier
    PortState portState_ = PortState::NothingOpen();
    int timeUnitMs_ = kInitialTimeUnitMs;
    std::unique_ptr<SerialLine> serial_;
    bool serialLost_ = false;
    std::unique_ptr<MidiOutput> midi_;
};

}  // namespace tonvell::playback
