// SPDX-License-Identifier: MIT
#pragma once
// Stand-ins for the window, the clock, the timer and the serial line, so the
// port and the player run in tests without hardware and without Qt.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "playback/memory_view.h"
#include "playback/player_clock.h"
#include "playback/recording_midi_backend.h"
#include "playback/serial_line.h"
#include "playback/sound_port.h"

namespace tonvell::test {

using playback::PlayerTime;
using std::chrono::milliseconds;

// A clock that moves only when told to, or when the player waits.
class FakeClock final : public playback::MonotonicClock {
public:
    PlayerTime Now() const override { return now; }
    void WaitUntil(PlayerTime moment) override { now = std::max(now, moment); }
    PlayerTime now{milliseconds(1000)};
};

// A one-shot timer that the test fires by hand.
class FakeTimer final : public playback::PlayerTimer {
public:
    void Start(PlayerTime dueTime) override {
        due = dueTime;
        active = true;
        ++starts;
    }
    void Stop() override { active = false; }
    bool Active() const override { return active; }

    PlayerTime due{};
    bool active = false;
    int starts = 0;
};

// The memory view, remembering every label it showed and able to act while
// a message box would be open.
class FakeView final : public playback::MemoryView {
public:
    void SetLineLabel(const std::string& text) override {
        MemoryView::SetLineLabel(text);
        labels.push_back(text);
    }
    void ShowMessage(const std::string& text) override {
        MemoryView::ShowMessage(text);
        if (onMessage) {
            onMessage();
        }
    }

    std::vector<std::string> labels;
    std::function<void()> onMessage;
};

// What a fake serial line received, and when; shared by the backend and its
// lines so it outlives them.
struct SerialRecord {
    std::vector<std::uint8_t> bytes;
    std::vector<PlayerTime> times;  // one per pair
    int opened = 0;
    int closed = 0;
};

class FakeSerialLine final : public playback::SerialLine {
public:
    FakeSerialLine(SerialRecord& record, const FakeClock& clock, std::deque<WriteResult>& results)
        : record_(record), clock_(clock), results_(results) {
        ++record_.opened;
    }
    ~FakeSerialLine() override { ++record_.closed; }
    WriteResult WritePair(std::uint8_t first, std::uint8_t second) override {
        WriteResult result = WriteResult::Written;
        if (!results_.empty()) {
            result = results_.front();
            results_.pop_front();
        }
        if (result == WriteResult::Written) {
            record_.bytes.push_back(first);
            record_.bytes.push_back(second);
            record_.times.push_back(clock_.Now());
        }
        return result;
    }

private:
    SerialRecord& record_;
    const FakeClock& clock_;
    std::deque<WriteResult>& results_;
};

class FakeSerialBackend final : public playback::SerialBackend {
public:
    FakeSerialBackend(std::vector<std::string> ports, SerialRecord& record, const FakeClock& clock)
        : ports_(std::move(ports)), record_(record), clock_(clock) {}
    std::vector<std::string> Probe() override { return ports_; }
    OpenResult Open(const std::string& name, std::unique_ptr<playback::SerialLine>& line) override {
        opens.push_back(name);
        if (openResult == OpenResult::Opened) {
            line = std::make_unique<FakeSerialLine>(record_, clock_, writeResults);
        }
        return openResult;
    }

    OpenResult openResult = OpenResult::Opened;
    // The results of the next writes, in order; then every write succeeds.
    std::deque<playback::SerialLine::WriteResult> writeResults;
    std::vector<std::string> opens;

private:
    std::vector<std::string> ports_;
    SerialRecord& record_;
    const FakeClock& clock_;
};

// The port's devices in the player's tests: the serial port "/dev/ttyUSB0" on
// a fake line whose writes record is told of (at serialClock's time), and
// the recording MIDI device "Synth" (at midiClock's time).
struct FakeDevices {
    FakeDevices(SerialRecord& record, const FakeClock& serialClock,
                const playback::MonotonicClock& midiClock) {
        auto serialBackend = std::make_unique<FakeSerialBackend>(
            std::vector<std::string>{"/dev/ttyUSB0"}, record, serialClock);
        serial = serialBackend.get();
        backends.serial = std::move(serialBackend);
        auto midiBackend = std::make_unique<playback::RecordingMidiBackend>(
            std::vector<std::string>{"Synth"}, midiClock);
        midi = midiBackend.get();
        backends.midi.push_back(std::move(midiBackend));
    }
    FakeSerialBackend* serial = nullptr;
    playback::RecordingMidiBackend* midi = nullptr;
    playback::SoundBackends backends;  // handed to the port
};

}  // namespace tonvell::test
