// SPDX-License-Identifier: MIT
#pragma once
// The computer's own synthesizer as a MIDI output device: FluidSynth with a
// General MIDI SoundFont, sounding through the desktop's audio output.
//
// Listing the device costs nothing: FluidSynth, the SoundFont and the audio
// output are loaded when it is opened and let go when it is closed.

#include <string>
#include <vector>

#include "playback/midi_output.h"

namespace tonvell::playback {

inline constexpr char kBuiltInSynthesizerName[] = "Built-in synthesizer (FluidSynth)";

class FluidSynthBackend : public MidiBackend {
public:
    struct Setup {
        // FluidSynth's audio drivers to try in turn; those this FluidSynth
        // was built without are passed over. PipeWire, then PulseAudio
        // (which PipeWire desktops also serve), then ALSA.
        std::vector<std::string> audioDrivers = {"pipewire", "pulseaudio", "alsa"};
        // Further FluidSynth settings as name and value (tests use the
        // "file" driver with "audio.file.name").
        std::vector<std::pair<std::string, std::string>> audioSettings;
        // SoundFont files to try in turn; empty means the system's
        // (SoundFontCandidates).
        std::vector<std::string> soundFonts;
    };

    FluidSynthBackend() = default;
    explicit FluidSynthBackend(Setup setup) : setup_(std::move(setup)) {}

    std::vector<std::string> DeviceNames() override;
    // Null when FluidSynth or a SoundFont is missing, or no audio output can
    // be opened (a machine without sound, a container).
    std::unique_ptr<MidiOutput> Open(std::size_t index) override;

private:
    Setup setup_;
};

}  // namespace tonvell::playback
