// SPDX-License-Identifier: MIT
#pragma once
// The computer's own synthesizer as a MIDI output device: FluidSynth with a
// General MIDI SoundFont, sounding through the desktop's audio output.
//
// Listing the device costs nothing: FluidSynth, the SoundFont and the audio
// output are loaded when it is opened and let go when it is closed.

#include <functional>
#include <string>
#include <vector>

#include "playback/midi_output.h"
#include "playback/user_text.h"

namespace tonvell::playback {

struct FluidApi;

// In English; the output list shows it in the user's language (UserText).
inline constexpr char kBuiltInSynthesizerName[] =
    TONVELL_TEXT("tonvell::playback", "Built-in synthesizer (FluidSynth)");

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
        // Loads FluidSynth; null when it cannot be loaded. Empty means
        // LoadFluidSynth (tests put a failing loader here).
        std::function<const FluidApi*()> loadLibrary;
        // Whether FluidSynth can be loaded, answered without loading it
        // where possible. Empty means FluidSynthInstallable.
        std::function<bool()> libraryInstallable;
    };

    // What failed at the last Open.
    enum class Failure { None, NoLibrary, ChosenSoundFont, NoSoundFont, BadSoundFont, NoAudio };

    FluidSynthBackend() = default;
    explicit FluidSynthBackend(Setup setup) : setup_(std::move(setup)) {}

    // The synthesizer, where FluidSynth can be loaded; nothing otherwise.
    std::vector<std::string> DeviceNames() override;
    // Null when FluidSynth or a SoundFont is missing, or no audio output can
    // be opened (a machine without sound, a container).
    std::unique_ptr<MidiOutput> Open(std::size_t index) override;
    std::string OpenFailure() const override { return FailureText(failure_, soundFont_); }
    Failure LastFailure() const { return failure_; }

    // The message for failure, in the user's language; soundFont names the
    // file that would not load, or tells why the chosen one cannot be taken.
    static std::string FailureText(Failure failure, const std::string& soundFont);

private:
    Setup setup_;
    Failure failure_ = Failure::None;
    std::string soundFont_;
};

// Whether FluidSynth's library is there to be loaded: found in the system's
// library folders without loading it, or else loaded.
bool FluidSynthInstallable();

}  // namespace tonvell::playback
