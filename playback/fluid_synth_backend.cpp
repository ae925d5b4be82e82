// SPDX-License-Identifier: MIT
#include "playback/fluid_synth_backend.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "playback/fluid_synth_instance.h"
#include "playback/soundfont_lookup.h"
#include "playback/user_text.h"

namespace tonvell::playback {

namespace {

constexpr double kSampleRate = 44100.0;

// The synthesizer and the audio output that plays it. The output runs its
// own thread that pulls samples from the synthesizer; FluidSynth's calls
// are safe to make meanwhile from the window's thread.
class FluidSynthOutput : public MidiOutput {
public:
    FluidSynthOutput(std::unique_ptr<FluidSynthInstance> synth, fluid_audio_driver_t* driver)
        : synth_(std::move(synth)), driver_(driver) {}
    ~FluidSynthOutput() override {
        // The driver first: its thread must stop using the synthesizer.
        synth_->Api().deleteAudioDriver(driver_);
    }
    void Send(const MidiShortMessage& message) override { synth_->Send(message); }
    void Reset() override { synth_->AllNotesOff(); }

private:
    std::unique_ptr<FluidSynthInstance> synth_;
    fluid_audio_driver_t* driver_;
};

std::vector<std::string> DriverOptions(const FluidApi& api, fluid_settings_t* settings) {
    std::vector<std::string> names;
    api.forEachOption(settings, "audio.driver", &names,
                      [](void* data, const char*, const char* option) {
                          static_cast<std::vector<std::string>*>(data)->emplace_back(option);
                      });
    return names;
}

fluid_audio_driver_t* OpenAudio(const FluidApi& api, const FluidSynthBackend::Setup& setup,
                                const FluidSynthInstance& synth) {
    fluid_settings_t* settings = synth.Settings();
    for (const auto& [name, value] : setup.audioSettings) {
        api.setStr(settings, name.c_str(), value.c_str());
    }
    const std::vector<std::string> built = DriverOptions(api, settings);
    for (const auto& driver : setup.audioDrivers) {
        if (std::find(built.begin(), built.end(), driver) == built.end()) {
            continue;
        }
        api.setStr(settings, "audio.driver", driver.c_str());
        const QuietFluidDependencies quiet(api);
        if (fluid_audio_driver_t* opened = api.newAudioDriver(settings, synth.Synth())) {
            return opened;
        }
    }
    return nullptr;
}

}  // namespace

bool FluidSynthInstallable() {
    // Loading it pulls in dozens of libraries; a file in a library folder
    // says as much for nothing. A library kept elsewhere is found by loading
    // it, and a missing one costs only the failed look-up.
    for (const char* folder :
         {"/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/usr/lib/i386-linux-gnu",
          "/usr/lib/arm-linux-gnueabihf", "/usr/lib64", "/usr/lib", "/usr/local/lib"}) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::path(folder) / "libfluidsynth.so.3", error)) {
            return true;
        }
    }
    return LoadFluidSynth() != nullptr;
}

std::vector<std::string> FluidSynthBackend::DeviceNames() {
    const bool installable =
        setup_.libraryInstallable ? setup_.libraryInstallable() : FluidSynthInstallable();
    if (!installable) {
        return {};
    }
    return {UserText(kBuiltInSynthesizerName)};
}

std::string FluidSynthBackend::FailureText(Failure failure, const std::string& soundFont) {
    switch (failure) {
        case Failure::None:
            return {};
        case Failure::NoLibrary:
            return UserText(TONVELL_TEXT(
                "tonvell::playback",
                "The built-in synthesizer needs the FluidSynth library, which cannot be "
                "loaded. Install the package libfluidsynth3."));
        case Failure::NoSoundFont:
            return UserText(
                TONVELL_TEXT("tonvell::playback",
                             "The built-in synthesizer found no SoundFont. Install the package "
                             "fluid-soundfont-gm or timgm6mb-soundfont."));
        case Failure::BadSoundFont:
            return UserText(
                TONVELL_TEXT("tonvell::playback",
                             "The built-in synthesizer cannot read the SoundFont %1. Reinstall "
                             "its package, or install fluid-soundfont-gm."),
                {soundFont});
        case Failure::ChosenSoundFont:
            return UserText(TONVELL_TEXT("tonvell::playback",
                                         "The built-in synthesizer cannot take the SoundFont you "
                                         "chose (%1). Correct TONVELL_SOUNDFONT, or unset it to "
                                         "use the system's."),
                            {soundFont});
        case Failure::NoAudio:
            return UserText(
                TONVELL_TEXT("tonvell::playback",
                             "The built-in synthesizer cannot reach an audio output. Check that a "
                             "sound device is present and that PipeWire, PulseAudio or ALSA is "
                             "running."));
    }
    return {};
}

std::unique_ptr<MidiOutput> FluidSynthBackend::Open(std::size_t index) {
    failure_ = Failure::None;
    soundFont_.clear();
    if (index != 0) {
        return nullptr;
    }
    const FluidApi* api = setup_.loadLibrary ? setup_.loadLibrary() : LoadFluidSynth();
    if (!api) {
        failure_ = Failure::NoLibrary;
        return nullptr;
    }
    // A SoundFont the user chose but that cannot be taken leaves the device
    // closed (and is named) rather than sounding another one.
    if (setup_.soundFonts.empty()) {
        if (std::string problem = ChosenSoundFontProblem(); !problem.empty()) {
            failure_ = Failure::ChosenSoundFont;
            soundFont_ = std::move(problem);
            return nullptr;
        }
    }
    const auto soundFont =
        FindSoundFont(setup_.soundFonts.empty() ? SoundFontCandidates(*api) : setup_.soundFonts);
    if (!soundFont) {
        failure_ = Failure::NoSoundFont;
        return nullptr;
    }
    std::string error;
    auto synth = FluidSynthInstance::Create(*api, *soundFont, kSampleRate, error);
    if (!synth) {
        failure_ = Failure::BadSoundFont;
        soundFont_ = *soundFont;
        return nullptr;
    }
    fluid_audio_driver_t* driver = OpenAudio(*api, setup_, *synth);
    TakeFluidError();  // the failure is told by the port, in the user's words
    if (!driver) {
        failure_ = Failure::NoAudio;
        return nullptr;
    }
    return std::make_unique<FluidSynthOutput>(std::move(synth), driver);
}

}  // namespace tonvell::playback
