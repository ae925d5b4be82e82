// SPDX-License-Identifier: MIT
#pragma once
// Holding a serial port for this program alone. The system's own exclusive
// open keeps out programs that check it; others (serial libraries in their
// "exclusive" mode) lock the device file instead, and a port held that way
// must count as busy too, or two programs would feed one instrument.

#include <cstdint>

namespace tonvell::playback {

// Takes the lock on the opened port's handle without waiting; false when
// another program holds it. The lock goes with the handle when it is closed.
bool HoldExclusively(std::intptr_t handle);

}  // namespace tonvell::playback
