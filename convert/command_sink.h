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

}  // namespace tonvell
