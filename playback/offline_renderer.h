// SPDX-License-Identifier: MIT
#pragma once
// Renders MIDI messages through the built-in synthesizer into 16-bit stereo
// samples, each message at its own time, as fast as the machine computes.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "playback/midi_output.h"
#include "playback/sample_frames.h"

namespace tonvell::playback {

class FluidSynthInstance;

class OfflineRenderer {
public:
    static constexpr int kSampleRate = kRenderSampleRate;
    static constexpr int kChannels = 2;
    // Receives the rendered samples, left and right interleaved; false stops
    // the rendering (the writer failed).
    using SampleSink = std::function<bool(std::span<const std::int16_t>)>;

    // A renderer with the system's SoundFont (or soundFont, when given);
    // null with the reason in error when FluidSynth or the SoundFont cannot
    // be loaded.
    static std::unique_ptr<OfflineRenderer> Create(SampleSink sink, std::string& error,
                                                   const std::string& soundFont = "");
    ~OfflineRenderer();

    // Renders up to time at (counted from the start of the rendering), then
    // applies message there. Times never go back.
    void Send(std::chrono::nanoseconds at, const MidiShortMessage& message);
    // Releases every note at time at, as a MIDI device's reset does.
    void Reset(std::chrono::nanoseconds at);
    // Renders on until the last note has been released and its sound (and the
    // reverberation) has died away. False when the sink refused samples.
    bool Finish();

    std::int64_t FramesRendered() const { return frames_; }
    bool Ok() const { return ok_; }

private:
    OfflineRenderer(std::unique_ptr<FluidSynthInstance> synth, SampleSink sink);
    void RenderTo(std::chrono::nanoseconds at);
    // Renders count frames; returns the largest absolute sample value.
    int RenderFrames(std::int64_t count);

    std::unique_ptr<FluidSynthInstance> synth_;
    SampleSink sink_;
    std::int64_t frames_ = 0;
    bool ok_ = true;
    std::vector<float> left_, right_;
    std::vector<std::int16_t> interleaved_;
};

}  // namespace tonvell::playback
