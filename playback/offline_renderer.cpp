// SPDX-License-Identifier: MIT
#include "playback/offline_renderer.h"

#include <algorithm>
#include <cstdlib>

#include "playback/fluid_synth_instance.h"
#include "playback/soundfont_lookup.h"

namespace tonvell::playback {

namespace {

constexpr std::int64_t kBlockFrames = 4096;
// The ending is looked for in steps of 10 ms.
constexpr std::int64_t kTailStepFrames = OfflineRenderer::kSampleRate / 100;
// A note that never ends (a SoundFont's looped release) is cut after this.
constexpr std::int64_t kLongestTailFrames = 10LL * OfflineRenderer::kSampleRate;

// Rounded to the nearest by hand: std::nearbyint would make the command line
// load the maths library at every start, for the sake of --wav alone.
std::int16_t ToSample(float value) {
    const float scaled = std::clamp(value * 32767.0f, -32768.0f, 32767.0f);
    return static_cast<std::int16_t>(scaled < 0 ? scaled - 0.5f : scaled + 0.5f);
}

}  // namespace

std::unique_ptr<OfflineRenderer> OfflineRenderer::Create(SampleSink sink, std::string& error,
                                                         const std::string& soundFont) {
    const FluidApi* api = LoadFluidSynth(&error);
    if (!api) {
        error = "FluidSynth is not available: " + error;
        return nullptr;
    }
    std::string path = soundFont;
    if (path.empty()) {
        if (error = ChosenSoundFontProblem(); !error.empty()) {
            return nullptr;
        }
        const auto found = FindSoundFont(SoundFontCandidates(*api));
        if (!found) {
            error =
                "no General MIDI SoundFont found (install timgm6mb-soundfont or set "
                "TONVELL_SOUNDFONT)";
            return nullptr;
        }
        path = *found;
    }
    auto synth = FluidSynthInstance::Create(*api, path, kSampleRate, error);
    if (!synth) {
        return nullptr;
    }
    return std::unique_ptr<OfflineRenderer>(new OfflineRenderer(std::move(synth), std::move(sink)));
}

OfflineRenderer::OfflineRenderer(std::unique_ptr<FluidSynthInstance> synth, SampleSink sink)
    : synth_(std::move(synth)),
      sink_(std::move(sink)),
      left_(kBlockFrames),
      right_(kBlockFrames),
      interleaved_(kBlockFrames * kChannels) {}

OfflineRenderer::~OfflineRenderer() = default;

void OfflineRenderer::Send(std::chrono::nanoseconds at, const MidiShortMessage& message) {
    RenderTo(at);
    synth_->Send(message);
}

void OfflineRenderer::Reset(std::chrono::nanoseconds at) {
    RenderTo(at);
    synth_->AllNotesOff();
}

void OfflineRenderer::RenderTo(std::chrono::nanoseconds at) {
    const std::int64_t target = FrameAt(at);
    if (target > frames_) {
        RenderFrames(target - frames_);
    }
}

int OfflineRenderer::RenderFrames(std::int64_t count) {
    int peak = 0;
    while (count > 0 && ok_) {
        const auto n = static_cast<std::size_t>(std::min(count, kBlockFrames));
        synth_->Render(std::span(left_.data(), n), std::span(right_.data(), n));
        for (std::size_t i = 0; i < n; ++i) {
            const std::int16_t l = ToSample(left_[i]);
            const std::int16_t r = ToSample(right_[i]);
            interleaved_[2 * i] = l;
            interleaved_[2 * i + 1] = r;
            peak = std::max({peak, std::abs(int{l}), std::abs(int{r})});
        }
        ok_ = sink_(std::span<const std::int16_t>(interleaved_.data(), n * kChannels));
        frames_ += static_cast<std::int64_t>(n);
        count -= static_cast<std::int64_t>(n);
    }
    return peak;
}

bool OfflineRenderer::Finish() {
    // Done once no voice sounds and a whole step rounds to silence: the
    // reverberation outlasts the voices.
    for (std::int64_t tail = 0; ok_ && tail < kLongestTailFrames; tail += kTailStepFrames) {
        const bool voicesEnded = synth_->ActiveVoices() == 0;
        if (RenderFrames(kTailStepFrames) == 0 && voicesEnded) {
            break;
        }
    }
    return ok_;
}

}  // namespace tonvell::playback
