// SPDX-License-Identifier: MIT
#pragma once
// MIDI output devices as the sound output port sees them: a list of names and
// a device opened by its place in that list. Each system interface (the ALSA
// sequencer through RtMidi, the built-in synthesizer, a recorder for tests)
// is one MidiBackend; the port lists the devices of all its backends in turn.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/midi_status.h"

namespace tonvell::playback {

// One channel message: a status byte and one or two data bytes. Program
// Change and Channel Pressure carry one data byte; data2 is then unused.
struct MidiShortMessage {
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;

    // The number of bytes the message has on the wire (2 or 3).
    std::size_t Size() const {
        const std::uint8_t kind = tonvell::midi::StatusKind(status);
        return (kind == tonvell::midi::kProgramChange || kind == tonvell::midi::kChannelPressure)
                   ? 2
                   : 3;
    }
    friend bool operator==(const MidiShortMessage&, const MidiShortMessage&) = default;
};

// An opened device. Destroying it closes it.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    // Sends one message; failures are not reported (nothing can be done
    // about a message that did not arrive).
    virtual void Send(const MidiShortMessage& message) = 0;
    // Turns off every note on every channel of the device.
    virtual void Reset() = 0;
};

// A source of MIDI output devices.
class MidiBackend {
public:
    virtual ~MidiBackend() = default;
    // The names a user recognises, in a fixed order, the same from run to run.
    virtual std::vector<std::string> DeviceNames() = 0;
    // Opens device index of DeviceNames(); null when it cannot be opened.
    virtual std::unique_ptr<MidiOutput> Open(std::size_t index) = 0;
    // Why the last Open failed, told to the user: what is missing and what
    // to install or check. Empty when the device is simply busy or absent.
    virtual std::string OpenFailure() const { return {}; }
};

}  // namespace tonvell::playback
