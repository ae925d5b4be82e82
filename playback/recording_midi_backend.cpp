// SPDX-License-Identifier: MIT
#include "playback/recording_midi_backend.h"

#include <algorithm>

namespace tonvell::playback {

namespace {

class RecordingMidiOutput final : public MidiOutput {
public:
    RecordingMidiOutput(std::size_t device, const MonotonicClock& clock,
                        std::shared_ptr<RecordingMidiBackend::SharedLog> log)
        : device_(device), clock_(clock), log_(std::move(log)) {
        Record(MidiLogEntry::Kind::Opened, {});
    }
    ~RecordingMidiOutput() override { Record(MidiLogEntry::Kind::Closed, {}); }
    void Send(const MidiShortMessage& message) override {
        Record(MidiLogEntry::Kind::Message, message);
    }
    void Reset() override { Record(MidiLogEntry::Kind::Reset, {}); }

private:
    void Record(MidiLogEntry::Kind kind, const MidiShortMessage& message) {
        const PlayerTime now = clock_.Now();
        const std::lock_guard lock(log_->mutex);
        log_->entries.push_back({kind, device_, message, now});
    }
    std::size_t device_;
    const MonotonicClock& clock_;
    std::shared_ptr<RecordingMidiBackend::SharedLog> log_;
};

}  // namespace

RecordingMidiBackend::RecordingMidiBackend(std::vector<std::string> names,
                                           const MonotonicClock& clock,
                                           std::vector<std::size_t> refused)
    : names_(std::move(names)),
      clock_(clock),
      refused_(std::move(refused)),
      log_(std::make_shared<SharedLog>()) {}

std::unique_ptr<MidiOutput> RecordingMidiBackend::Open(std::size_t index) {
    if (index >= names_.size() ||
        std::find(refused_.begin(), refused_.end(), index) != refused_.end()) {
        return nullptr;
    }
    return std::make_unique<RecordingMidiOutput>(index, clock_, log_);
}

std::vector<MidiLogEntry> RecordingMidiBackend::Log() const {
    const std::lock_guard lock(log_->mutex);
    return log_->entries;
}

void RecordingMidiBackend::ClearLog() {
    const std::lock_guard lock(log_->mutex);
    log_->entries.clear();
}

std::vector<MidiShortMessage> RecordingMidiBackend::Messages() const {
    std::vector<MidiShortMessage> messages;
    for (const MidiLogEntry& entry : Log()) {
        if (entry.kind == MidiLogEntry::Kind::Message) {
            messages.push_back(entry.message);
        }
    }
    return messages;
}

}  // namespace tonvell::playback
