// SPDX-License-Identifier: MIT
#pragma once
// One command pair written to an open serial port's handle, from whichever
// thread plays: the system's own write, so that no object of the window's
// thread is touched, finished or given up within a bounded time.

#include <chrono>
#include <cstdint>

namespace tonvell::playback {

enum class SerialWriteResult {
    Written,
    Failed,  // not written in time; what was queued is dropped, never sent late
    Lost,    // the device is gone (unplugged, or the far end of a virtual line closed)
};

// handle is the port's file descriptor, opened without blocking.
SerialWriteResult WriteSerialPair(std::intptr_t handle, std::uint8_t first, std::uint8_t second,
                                  std::chrono::milliseconds timeout);

}  // namespace tonvell::playback
