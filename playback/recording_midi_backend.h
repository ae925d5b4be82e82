// SPDX-License-Identifier: MIT
#pragma once
// A MIDI backend that records instead of sounding: each device keeps every
// message it received, with the clock's time, and every reset and close.
// Tests and the timing benchmark use it; the log outlives the devices. The
// player's thread writes it while a test reads it: it is read as a copy.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "playback/midi_output.h"
#include "playback/player_clock.h"

namespace tonvell::playback {

struct MidiLogEntry {
    enum class Kind { Opened, Message, Reset, Closed };
    Kind kind = Kind::Message;
    std::size_t device = 0;
    MidiShortMessage message;  // for Message
    PlayerTime time{};
};

class RecordingMidiBackend final : public MidiBackend {
public:
    // Devices named names; a device whose index is in refused fails to open.
    RecordingMidiBackend(std::vector<std::string> names, const MonotonicClock& clock,
                         std::vector<std::size_t> refused = {});
    std::vector<std::string> DeviceNames() override { return names_; }
    std::unique_ptr<MidiOutput> Open(std::size_t index) override;

    // The log as it stands.
    std::vector<MidiLogEntry> Log() const;
    // Only the messages, in order.
    std::vector<MidiShortMessage> Messages() const;
    void ClearLog();

    struct SharedLog {
        std::mutex mutex;
        std::vector<MidiLogEntry> entries;
    };

private:
    std::vector<std::string> names_;
    const MonotonicClock& clock_;
    std::vector<std::size_t> refused_;
    std::shared_ptr<SharedLog> log_;
};

}  // namespace tonvell::playback
