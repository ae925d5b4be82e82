// SPDX-License-Identifier: MIT
#pragma once
// Serial lines to a live instrument, as the sound output port sees them.
// The real backend uses Qt SerialPort; tests use a fake.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tonvell::playback {

// An opened serial line, set to 9600 baud, 8 data bits, no parity, one stop
// bit, DTR and RTS raised. Destroying it closes it.
class SerialLine {
public:
    enum class WriteResult {
        Written,
        Failed,  // this write did not go out; the line may still work
        Lost,    // the device is gone (unplugged): nothing more will go out
    };
    virtual ~SerialLine() = default;
    // One write of both bytes, first then second, finished or failed within
    // a bounded time.
    virtual WriteResult WritePair(std::uint8_t first, std::uint8_t second) = 0;
};

class SerialBackend {
public:
    enum class OpenResult {
        Opened,
        BusyOrAbsent,     // cannot be opened, or another program holds it
        SettingsNotRead,  // the line's settings could not be read
        SettingsNotSet,   // the line's settings could not be written
    };
    virtual ~SerialBackend() = default;
    // The serial ports that can be opened now, by device path, in name order.
    // Each is opened and closed again: the probe never keeps a port.
    virtual std::vector<std::string> Probe() = 0;
    // Opens name exclusively and sets the line up; line is set when Opened.
    virtual OpenResult Open(const std::string& name, std::unique_ptr<SerialLine>& line) = 0;
};

}  // namespace tonvell::playback
