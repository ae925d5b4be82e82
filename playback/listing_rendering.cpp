// SPDX-License-Identifier: MIT
#include "playback/listing_rendering.h"

#include "playback/fluid_synth_backend.h"

namespace tonvell::playback {

namespace {

// The built-in synthesizer as the port sees it, sounding into the renderer
// at the virtual clock's time.
class RenderingBackend final : public MidiBackend {
public:
    RenderingBackend(OfflineRenderer& renderer, const MonotonicClock& clock)
        : renderer_(renderer), clock_(clock) {}
    std::vector<std::string> DeviceNames() override { return {kBuiltInSynthesizerName}; }
    std::unique_ptr<MidiOutput> Open(std::size_t) override {
        return std::make_unique<Output>(renderer_, clock_);
    }

private:
    class Output final : public MidiOutput {
    public:
        Output(OfflineRenderer& renderer, const MonotonicClock& clock)
            : renderer_(renderer), clock_(clock) {}
        void Send(const MidiShortMessage& message) override {
            renderer_.Send(clock_.Now(), message);
        }
        void Reset() override { renderer_.Reset(clock_.Now()); }

    private:
        OfflineRenderer& renderer_;
        const MonotonicClock& clock_;
    };

    OfflineRenderer& renderer_;
    const MonotonicClock& clock_;
};

}  // namespace

ListingRendering RenderListing(MemoryView& view, OfflineRenderer::SampleSink sink,
                               const std::string& soundFont) {
    ListingRendering result;
    auto renderer = OfflineRenderer::Create(std::move(sink), result.error, soundFont);
    if (!renderer) {
        return result;
    }
    VirtualClock clock;
    RenderingBackend backend(*renderer, clock);
    result.playback = PlayOffline(view, backend, clock, [&] { return renderer->Ok(); });
    renderer->Finish();
    result.frames = renderer->FramesRendered();
    result.sinkRefused = !renderer->Ok();
    return result;
}

}  // namespace tonvell::playback
