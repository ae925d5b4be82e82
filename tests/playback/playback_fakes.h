#pragma once
// Stand-ins for the window, the clock, the timer and the serial line, so the
// port and the player run in tests without hardware and without Qt.

#include <cstdint>
#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "playback/player_clock.h"
#include "playback/player_view.h"
#include "playback/serial_line.h"

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

// The output list, the instrument box and the listing box as plain values.
class FakeView final : public playback::PortView, public playback::PlayerView {
public:
    // PortView
    int OutputCount() const override { return static_cast<int>(outputs.size()); }
    std::string OutputItem(int index) const override {
        return outputs.at(static_cast<std::size_t>(index));
    }
    void AppendOutput(const std::string& name) override { outputs.push_back(name); }
    int SelectedOutput() const override { return selected; }
    std::string OutputText() const override {
        return selected >= 0 ? outputs.at(static_cast<std::size_t>(selected)) : typedOutput;
    }
    std::string InstrumentText() const override { return instrument; }
    void SetInstrumentEnabled(bool enabled) override { instrumentEnabled = enabled; }

    // PlayerView
    int LineCount() const override {
        const int count = static_cast<int>(lines.size());
        return count > 0 && lines.back().empty() ? count - 1 : count;
    }
    std::string Line(int index) const override {
        return index >= 0 && index < static_cast<int>(lines.size())
                   ? lines[static_cast<std::size_t>(index)]
                   : std::string();
    }
    int CaretPosition() const override { return caret; }
    void SetLineLabel(const std::string& text) override { labels.push_back(text); }
    void SetControls(const playback::PlayerControls& state) override { controls = state; }

    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (onMessage) {
            onMessage();
        }
    }

    // Chooses the output list item by its text.
    void Choose(const std::string& text) {
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            if (outputs[i] == text) {
                selected = static_cast<int>(i);
                return;
            }
        }
        selected = -1;
        typedOutput = text;
    }
    // The listing box's text, lines split at "\n".
    void SetListing(const std::string& text) {
        lines.clear();
        std::string line;
        std::istringstream in(text);
        while (std::getline(in, line)) {
            lines.push_back(line);
        }
        if (!text.empty() && text.back() == '\n') {
            lines.emplace_back();
        }
        if (text.empty()) {
            lines.emplace_back();
        }
    }

    std::vector<std::string> outputs{"none"};
    int selected = 0;
    std::string typedOutput;
    std::string instrument = "73 Flute";
    bool instrumentEnabled = true;

    std::vector<std::string> lines{""};
    int caret = 0;
    std::vector<std::string> labels;
    playback::PlayerControls controls;
    std::vector<std::string> messages;
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

}  // namespace tonvell::test
