// SPDX-License-Identifier: MIT
#include "playback/fluid_synth_backend.h"

#include <algorithm>

#include "playback/fluid_synth_instance.h"
#include "playback/soundfont_lookup.h"

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
        if (std::find(built.begin(), built.end(), driver) == built.end())
            continue;
        api.setStr(settings, "audio.driver", driver.c_str());
        const QuietFluidDependencies quiet(api);
        if (fluid_audio_driver_t* opened = api.newAudioDriver(settings, synth.Synth()))
            return opened;
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> FluidSynthBackend::DeviceNames() {
    return {kBuiltInSynthesizerName};
}

std::unique_ptr<MidiOutput> FluidSynthBackend::Open(std::size_t index) {
    if (index != 0)
        return nullptr;
    const FluidApi* api = LoadFluidSynth();
    if (!api)
        return nullptr;
    // A SoundFont the user chose but that cannot be taken leaves the device
    // closed (the port says so) rather than sounding another one.
    if (setup_.soundFonts.empty() && !ChosenSoundFontProblem().empty())
        return nullptr;
    const auto soundFont =
        FindSoundFont(setup_.soundFonts.empty() ? SoundFontCandidates(*api) : setup_.soundFonts);
    if (!soundFont)
        return nullptr;
    std::string error;
    auto synth = FluidSynthInstance::Create(*api, *soundFont, kSampleRate, error);
    if (!synth)
        return nullptr;
    fluid_audio_driver_t* driver = OpenAudio(*api, setup_, *synth);
    TakeFluidError();  // the device is busy or absent; the port says so
    if (!driver)
        return nullptr;
    return std::make_unique<FluidSynthOutput>(std::move(synth), driver);
}

}  // namespace tonvell::playback
