#pragma once
// The device backends of this system, in list order: serial ports, then the
// MIDI devices (the sequencer's ports).

#include "playback/sound_port.h"

namespace tonvell::playback {

SoundBackends SystemSoundBackends();

}  // namespace tonvell::playback
