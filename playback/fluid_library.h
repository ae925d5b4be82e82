// SPDX-License-Identifier: MIT
#pragma once
// FluidSynth, loaded on first use rather than linked.
//
// The library pulls in some sixty others (PulseAudio, JACK, GLib, libsndfile,
// ...). Linking it would make every start of the window and of the command
// line pay for loading them, although most runs never sound a note; so it is
// opened with dlopen the first time a synthesizer is needed, and stays loaded
// for the rest of the process.

#include <fluidsynth.h>

#include <string>

namespace tonvell::playback {

// The entry points of FluidSynth that Tonvell uses, typed from its headers.
struct FluidApi {
    decltype(&::new_fluid_settings) newSettings = nullptr;
    decltype(&::delete_fluid_settings) deleteSettings = nullptr;
    decltype(&::fluid_settings_setstr) setStr = nullptr;
    decltype(&::fluid_settings_setint) setInt = nullptr;
    decltype(&::fluid_settings_setnum) setNum = nullptr;
    decltype(&::fluid_settings_getstr_default) getStrDefault = nullptr;
    decltype(&::fluid_settings_foreach_option) forEachOption = nullptr;
    decltype(&::new_fluid_synth) newSynth = nullptr;
    decltype(&::delete_fluid_synth) deleteSynth = nullptr;
    decltype(&::fluid_synth_sfload) loadSoundFont = nullptr;
    decltype(&::fluid_synth_noteon) noteOn = nullptr;
    decltype(&::fluid_synth_noteoff) noteOff = nullptr;
    decltype(&::fluid_synth_key_pressure) keyPressure = nullptr;
    decltype(&::fluid_synth_cc) controlChange = nullptr;
    decltype(&::fluid_synth_program_change) programChange = nullptr;
    decltype(&::fluid_synth_channel_pressure) channelPressure = nullptr;
    decltype(&::fluid_synth_pitch_bend) pitchBend = nullptr;
    decltype(&::fluid_synth_get_active_voice_count) activeVoiceCount = nullptr;
    decltype(&::fluid_synth_write_float) writeFloat = nullptr;
    decltype(&::new_fluid_audio_driver) newAudioDriver = nullptr;
    decltype(&::delete_fluid_audio_driver) deleteAudioDriver = nullptr;
    decltype(&::fluid_set_log_function) setLogFunction = nullptr;

    void* library = nullptr;
};

// While one exists, the libraries below FluidSynth print nothing: on a
// machine without sound cards the ALSA library writes a dozen lines about its
// configuration to standard error when an audio output is tried, and a file
// that is not a proper SoundFont reaches a loader whose GLib warnings go there
// too. None of that tells a user anything; the caller reports the failure.
class QuietFluidDependencies {
public:
    explicit QuietFluidDependencies(const FluidApi& api);
    ~QuietFluidDependencies();
    QuietFluidDependencies(const QuietFluidDependencies&) = delete;
    QuietFluidDependencies& operator=(const QuietFluidDependencies&) = delete;

private:
    using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using GLogFunction = void (*)(const char*, int, const char*, void*);
    int (*setAlsaHandler_)(AlsaErrorHandler) = nullptr;
    GLogFunction (*setGLogHandler_)(GLogFunction, void*) = nullptr;
    GLogFunction oldGLogHandler_ = nullptr;
};

// The loaded library, or null when it is not installed (the reason is then
// in error). Loads it on the first call; later calls return the same table.
// FluidSynth's log messages are kept from the terminal from then on: errors
// are remembered for TakeFluidError, the rest is dropped.
const FluidApi* LoadFluidSynth(std::string* error = nullptr);

// The last error FluidSynth reported, empty when none since the last call;
// the call clears it.
std::string TakeFluidError();

}  // namespace tonvell::playback
