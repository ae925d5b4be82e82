// SPDX-License-Identifier: MIT
#pragma once
// Per-channel oscillator choice and trim flag for MIDI channels 1 to 10. The
// window keeps hidden controls for them; the conversion does not consult them.

#include <array>
#include <cstdint>

namespace tonvell::app {

class ChannelMap {
public:
    static constexpr int kChannels = 10;

    // Item index of the channel's drop-down: 0 = "none", 1 to 8 = oscillator.
    std::uint8_t Oscillator(int index) const { return oscillator_.at(index); }
    bool Trim(int index) const { return trim_.at(index) != 0; }

    void SetOscillator(int index, int itemIndex) {
        oscillator_.at(index) = static_cast<std::uint8_t>(itemIndex);
    }
    void SetTrim(int index, bool on) { trim_.at(index) = on ? 1 : 0; }

private:
    std::array<std::uint8_t, kChannels> oscillator_{1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    std::array<std::uint8_t, kChannels> trim_{1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
};

}  // namespace tonvell::app
