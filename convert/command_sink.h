// SPDX-License-Identifier: MIT
#pragma once
// Where the voice allocation and the reader send command pairs: a command
// byte and its parameter byte, at the time the reader has reached. The
// listing writer is one such sink; tests record them with another.

#include <cstdint>

namespace tonvell {

class CommandSink {
public:
    virtual ~CommandSink() = default;
    virtual void Emit(std::uint8_t command, std::uint8_t parameter) = 0;
};

// The tempo command: its parameter carries the tempo's most significant byte.
inline constexpr std::uint8_t kTempoCommand = 0x0E;

// Milliseconds per delay unit when playback starts, before any tempo command.
inline constexpr int kInitialTimeUnitMs = 15;

// Milliseconds per delay unit after a tempo command with this parameter: the
// tempo value v (0 to 127) gives v * 223 / 100, and never less than 1.
constexpr int TimeUnitMsOfTempo(std::uint8_t parameter) {
    const int ms = (parameter & 0x7F) * 223 / 100;
    return ms < 1 ? 1 : ms;
}

}  // namespace tonvell
