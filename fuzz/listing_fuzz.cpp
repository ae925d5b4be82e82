// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary bytes as a listing, played to the end by the offline
// player on its virtual clock, as --wav plays it, on a device that turns each
// message's time into a sample position as the renderer does. Delays of the
// slowest time unit take the clock past 58 hours, where a position counted
// in nanoseconds times the sample rate would no longer fit 64 bits. Besides
// the sanitizers' findings it checks that
//  - each position is the exactly rounded one, and positions never go back;
//  - the length found without a sound is the length played.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "playback/memory_view.h"
#include "playback/offline_playback.h"
#include "playback/sample_frames.h"

namespace {

using tonvell::playback::FrameAt;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// The position computed with room to spare.
std::int64_t ExactFrame(std::chrono::nanoseconds at) {
    const __int128 scaled =
        static_cast<__int128>(at.count()) * tonvell::playback::kRenderSampleRate;
    return static_cast<std::int64_t>((scaled + 500'000'000) / 1'000'000'000);
}

class FramePositions final : public tonvell::playback::MidiBackend {
public:
    explicit FramePositions(const tonvell::playback::MonotonicClock& clock) : clock_(clock) {}
    std::vector<std::string> DeviceNames() override { return {"frames"}; }
    std::unique_ptr<tonvell::playback::MidiOutput> Open(std::size_t) override {
        return std::make_unique<Output>(*this);
    }

private:
    class Output final : public tonvell::playback::MidiOutput {
    public:
        explicit Output(FramePositions& owner) : owner_(owner) {}
        void Send(const tonvell::playback::MidiShortMessage&) override { owner_.At(); }
        void Reset() override { owner_.At(); }

    private:
        FramePositions& owner_;
    };

    void At() {
        const auto now = clock_.Now();
        Check(now.count() >= 0);
        const std::int64_t frame = FrameAt(now);
        Check(frame == ExactFrame(now));
        Check(frame >= last_);
        last_ = frame;
    }

    const tonvell::playback::MonotonicClock& clock_;
    std::int64_t last_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tonvell::playback::MemoryView view;
    view.SetListing(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto measured = tonvell::playback::MeasureOffline(view);

    tonvell::playback::VirtualClock clock;
    FramePositions backend(clock);
    const auto played = tonvell::playback::PlayOffline(view, backend, clock);
    Check(played.end == measured.end && played.commandPairs == measured.commandPairs &&
          played.notePairs == measured.notePairs && !played.cutShort);
    Check(FrameAt(played.end) == ExactFrame(played.end));
    return 0;
}
