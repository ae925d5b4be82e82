// SPDX-License-Identifier: MIT
#pragma once
// A listing played offline through the built-in synthesizer: the samples a
// user would hear from "Play" on that device, computed as fast as the
// machine can.

#include <string>

#include "playback/offline_playback.h"
#include "playback/offline_renderer.h"

namespace tonvell::playback {

struct ListingRendering {
    std::string error;  // FluidSynth or the SoundFont could not be loaded
    OfflinePlayback playback;
    std::int64_t frames = 0;   // frames handed to the sink
    bool sinkRefused = false;  // the sink stopped the rendering
};

// Plays the listing of view as a first "Play" after start-up would on the
// built-in synthesizer, with view's instrument text (PlayOffline), and hands
// the samples to sink (16-bit stereo at OfflineRenderer::kSampleRate) until
// the last note has died away. soundFont, when given, replaces the system's.
ListingRendering RenderListing(MemoryView& view, OfflineRenderer::SampleSink sink,
                               const std::string& soundFont = "");

}  // namespace tonvell::playback
