// SPDX-License-Identifier: MIT
#pragma once
// The device backends of this system, in list order: serial ports, then the
// MIDI devices (the sequencer's ports), then the built-in synthesizer.

#include "playback/sound_port.h"

namespace tonvell::playback {

SoundBackends SystemSoundBackends();

}  // namespace tonvell::playback
