// SPDX-License-Identifier: MIT
#include "playback/fluid_library.h"

#include <dlfcn.h>

#include <mutex>

#ifndef TONVELL_FLUIDSYNTH_LIBRARY
#define TONVELL_FLUIDSYNTH_LIBRARY "libfluidsynth.so.3"
#endif

namespace tonvell::playback {

namespace {

std::mutex errorMutex;
std::string lastError;

// FluidSynth logs from its audio thread as well, hence the lock.
void KeepErrors(int level, const char* message, void*) {
    if (level != FLUID_PANIC && level != FLUID_ERR) {
        return;
    }
    const std::lock_guard lock(errorMutex);
    lastError = message ? message : "";
}

template <typename Function>
bool Bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

bool BindAll(FluidApi& api) {
    void* lib = api.library;
    return Bind(lib, "new_fluid_settings", api.newSettings) &&
           Bind(lib, "delete_fluid_settings", api.deleteSettings) &&
           Bind(lib, "fluid_settings_setstr", api.setStr) &&
           Bind(lib, "fluid_settings_setint", api.setInt) &&
           Bind(lib, "fluid_settings_setnum", api.setNum) &&
           Bind(lib, "fluid_settings_getstr_default", api.getStrDefault) &&
           Bind(lib, "fluid_settings_foreach_option", api.forEachOption) &&
           Bind(lib, "new_fluid_synth", api.newSynth) &&
           Bind(lib, "delete_fluid_synth", api.deleteSynth) &&
           Bind(lib, "fluid_synth_sfload", api.loadSoundFont) &&
           Bind(lib, "fluid_synth_noteon", api.noteOn) &&
           Bind(lib, "fluid_synth_noteoff", api.noteOff) &&
           Bind(lib, "fluid_synth_key_pressure", api.keyPressure) &&
           Bind(lib, "fluid_synth_cc", api.controlChange) &&
           Bind(lib, "fluid_synth_program_change", api.programChange) &&
           Bind(lib, "fluid_synth_channel_pressure", api.channelPressure) &&
           Bind(lib, "fluid_synth_pitch_bend", api.pitchBend) &&
           Bind(lib, "fluid_synth_get_active_voice_count", api.activeVoiceCount) &&
           Bind(lib, "fluid_synth_write_float", api.writeFloat) &&
           Bind(lib, "new_fluid_audio_driver", api.newAudioDriver) &&
           Bind(lib, "delete_fluid_audio_driver", api.deleteAudioDriver) &&
           Bind(lib, "fluid_set_log_function", api.setLogFunction);
}

struct Loaded {
    FluidApi api;
    std::string error;
};

Loaded Load() {
    Loaded loaded;
    FluidApi& api = loaded.api;
    api.library = dlopen(TONVELL_FLUIDSYNTH_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!api.library) {
        const char* why = dlerror();
        loaded.error = why ? why : "cannot load " TONVELL_FLUIDSYNTH_LIBRARY;
        return loaded;
    }
    if (!BindAll(api)) {
        loaded.error = TONVELL_FLUIDSYNTH_LIBRARY " lacks functions Tonvell needs";
        dlclose(api.library);
        api.library = nullptr;
        return loaded;
    }
    for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        api.setLogFunction(level, KeepErrors, nullptr);
    }
    // Every synthesizer initialises libinstpatch (its DLS loader) when it is
    // created and closes it when it is deleted; each such round leaks about
    // 1.7 KB inside that library. The library counts its users, so holding
    // one use for the life of the process makes the rounds free.
    using InitFunction = void (*)();
    if (auto initInstPatch = reinterpret_cast<InitFunction>(dlsym(api.library, "ipatch_init"))) {
        initInstPatch();
    }
    return loaded;
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void IgnoreGLogMessage(const char*, int, const char*, void*) {}

}  // namespace

// The two handlers are looked up among FluidSynth's own dependencies, so
// Tonvell needs neither library's headers; a FluidSynth built without one
// of them simply has nothing of it to silence.
QuietFluidDependencies::QuietFluidDependencies(const FluidApi& api) {
    setAlsaHandler_ = reinterpret_cast<decltype(setAlsaHandler_)>(
        dlsym(api.library, "snd_lib_error_set_handler"));
    setGLogHandler_ = reinterpret_cast<decltype(setGLogHandler_)>(
        dlsym(api.library, "g_log_set_default_handler"));
    if (setAlsaHandler_) {
        setAlsaHandler_(IgnoreAlsaError);
    }
    if (setGLogHandler_) {
        oldGLogHandler_ = setGLogHandler_(IgnoreGLogMessage, nullptr);
    }
}

QuietFluidDependencies::~QuietFluidDependencies() {
    if (setAlsaHandler_) {
        setAlsaHandler_(nullptr);  // back to the library's default
    }
    if (setGLogHandler_) {
        setGLogHandler_(oldGLogHandler_, nullptr);
    }
}

const FluidApi* LoadFluidSynth(std::string* error) {
    static const Loaded loaded = Load();
    if (!loaded.api.library) {
        if (error) {
            *error = loaded.error;
        }
        return nullptr;
    }
    return &loaded.api;
}

std::string TakeFluidError() {
    const std::lock_guard lock(errorMutex);
    std::string error;
    error.swap(lastError);
    return error;
}

}  // namespace tonvell::playback
