// SPDX-License-Identifier: MIT
#pragma once
// One FluidSynth synthesizer with a SoundFont loaded: what the built-in
// synthesizer device plays through the speakers, and what the offline
// renderer writes into a WAV file.

#include <array>
#include <memory>
#include <span>
#include <string>

#include "playback/fluid_library.h"
#include "playback/midi_output.h"

namespace tonvell::playback {

class FluidSynthInstance {
public:
    // A synthesizer at sampleRate frames per second with soundFont loaded;
    // null, with the reason in error, when either fails.
    static std::unique_ptr<FluidSynthInstance> Create(const FluidApi& api,
                                                      const std::string& soundFont,
                                                      double sampleRate, std::string& error);
    ~FluidSynthInstance();
    FluidSynthInstance(const FluidSynthInstance&) = delete;
    FluidSynthInstance& operator=(const FluidSynthInstance&) = delete;

    void Send(const MidiShortMessage& message);
    // Releases every note on every channel, as a MIDI device's reset does.
    void AllNotesOff();
    int ActiveVoices() const;
    // Renders left.size() frames (right has the same size).
    void Render(std::span<float> left, std::span<float> right);

    const FluidApi& Api() const { return api_; }
    fluid_settings_t* Settings() const { return settings_; }
    fluid_synth_t* Synth() const { return synth_; }

private:
    explicit FluidSynthInstance(const FluidApi& api) : api_(api) {}
    void NoteOff(int channel, std::uint8_t key);
    void ControlChange(int channel, std::uint8_t control, std::uint8_t value);

    const FluidApi& api_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    // Channels that All Sound Off silenced and no note has sounded on since.
    std::array<bool, 16> silenced_{};
};

}  // namespace tonvell::playback
