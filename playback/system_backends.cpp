// SPDX-License-Identifier: MIT
#include "playback/system_backends.h"

#include "playback/qt_serial_backend.h"
#include "playback/rtmidi_backend.h"
#ifdef TONVELL_HAVE_SYNTH
#include "playback/fluid_synth_backend.h"
#endif

namespace tonvell::playback {

SoundBackends SystemSoundBackends() {
    SoundBackends backends;
    backends.serial = MakeQtSerialBackend();
    backends.midi.push_back(MakeRtMidiBackend());
#ifdef TONVELL_HAVE_SYNTH
    // The computer's own synthesizer comes after the system's MIDI devices.
    backends.midi.push_back(std::make_unique<FluidSynthBackend>());
#endif
    return backends;
}

}  // namespace tonvell::playback
