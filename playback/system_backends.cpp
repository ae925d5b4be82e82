#include "playback/system_backends.h"

#include "playback/qt_serial_backend.h"
#include "playback/rtmidi_backend.h"

namespace tonvell::playback {

SoundBackends SystemSoundBackends() {
    SoundBackends backends;
    backends.serial = MakeQtSerialBackend();
    backends.midi.push_back(MakeRtMidiBackend());
    return backends;
}

}  // namespace tonvell::playback
