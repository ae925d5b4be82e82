// SPDX-License-Identifier: MIT
// The player's schedule for the page: the listing played as the window plays
// it (the listing player and the sound port on a virtual clock), recorded as
// timed MIDI messages and line labels that the page sounds with Web Audio.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "convert/cp1251.h"
#include "playback/memory_view.h"
#include "playback/offline_playback.h"
#include "playback/recording_midi_backend.h"

namespace {

using tonvell::playback::PlayerTime;

// The longest schedule made: a listing that plays longer is cut there.
constexpr std::chrono::hours kLongestSchedule{4};

// The view that records when each line label was shown.
class TimedView final : public tonvell::playback::MemoryView {
public:
    TimedView(const tonvell::playback::MonotonicClock& clock, std::string& out)
        : clock_(clock), out_(out) {}
    void SetLineLabel(const std::string& text) override {
        MemoryView::SetLineLabel(text);
        out_ += Milliseconds(clock_.Now()) + "\tL\t" + text + '\n';
    }
    static std::string Milliseconds(PlayerTime time) {
        return std::to_string(std::chrono::duration<double, std::milli>(time).count());
    }

private:
    const tonvell::playback::MonotonicClock& clock_;
    std::string& out_;
};

std::string schedule;

}  // namespace

extern "C" {

// Plays the listing text (UTF-8, as the listing box holds it) offline and
// returns the size of its schedule, which tonvell_schedule_text gives: a line
// per event, "MS\tL\tLine: N" for a line label, "MS\tM\tSTATUS\tDATA1\tDATA2"
// for a MIDI message, "MS\tE" at the end.
std::size_t tonvell_schedule(const char* text, std::size_t size) {
    schedule.clear();
    tonvell::playback::VirtualClock clock;
    std::string labels;
    TimedView view(clock, labels);
    view.SetListing(tonvell::Utf8ToCp1251(std::string_view(text, size)));
    tonvell::playback::RecordingMidiBackend backend({"Web Audio"}, clock);
    const auto played = tonvell::playback::PlayOffline(
        view, backend, clock, [&clock] { return clock.Now() < kLongestSchedule; });
    // The labels and the messages, each in time order, merged by time.
    std::string messages;
    for (const auto& entry : backend.Log()) {
        if (entry.kind == tonvell::playback::MidiLogEntry::Kind::Message) {
            messages += TimedView::Milliseconds(entry.time) + "\tM\t" +
                        std::to_string(entry.message.status) + '\t' +
                        std::to_string(entry.message.data1) + '\t' +
                        std::to_string(entry.message.data2) + '\n';
        }
    }
    schedule = labels + messages + TimedView::Milliseconds(played.end) + "\tE\n";
    return schedule.size();
}
const char* tonvell_schedule_text() {
    return schedule.data();
}

}  // extern "C"
