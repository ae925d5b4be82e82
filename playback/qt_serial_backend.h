// SPDX-License-Identifier: MIT
#pragma once
// Serial ports through Qt SerialPort: the ports the system reports and those
// named in TONVELL_SERIAL_PORTS (colon-separated; virtual lines such as a
// socat pair or an instrument emulator), each probed by opening it.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "playback/serial_line.h"

namespace tonvell::playback {

// How long one write of a pair may take before it counts as failed: a
// stalled device never freezes the window for longer.
inline constexpr std::chrono::milliseconds kSerialWriteTimeout{100};

// The candidates for the list before probing: system ports and the paths of
// extraPorts (the value of TONVELL_SERIAL_PORTS), sorted, without repeats. A
// path outside /dev (a link socat made) is listed as the device it leads to;
// what is then still no serial entry is left out.
std::vector<std::string> SerialCandidates(const std::vector<std::string>& systemPorts,
                                          const std::string& extraPorts);

std::unique_ptr<SerialBackend> MakeQtSerialBackend();

}  // namespace tonvell::playback
