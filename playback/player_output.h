// SPDX-License-Identifier: MIT
#pragma once
// What the listing player needs of the sound output port: open, send each
// command pair, silence and close, and the time unit set by tempo commands.
// SoundPort is the one implementation; the player is written against this so
// that it can drive any output.

#include <cstdint>

namespace tonvell::playback {

enum class PortOpenResult {
    Ready = 0,   // an output is open, or none is chosen
    Failed = 1,  // nothing is open; the reason has been shown to the user
};

enum class SendResult {
    Sent,         // sent, or nothing to send it to
    WriteFailed,  // the serial write did not go out; the line may still work
    DeviceLost,   // the serial device is gone: nothing more will go out
};

class PlayerOutput {
public:
    virtual ~PlayerOutput() = default;
    virtual PortOpenResult OpenSoundPort() = 0;
    virtual SendResult SendPair(std::uint8_t first, std::uint8_t second) = 0;
    virtual void SilenceSoundPort() = 0;
    virtual void CloseSoundPort() = 0;
    // Milliseconds per delay unit, at least 1.
    virtual int TimeUnitMs() const = 0;
};

}  // namespace tonvell::playback
