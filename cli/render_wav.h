// SPDX-License-Identifier: MIT
#pragma once
// tonvell-cli --wav: renders a MIDI file or a saved listing into a WAV file
// as the built-in synthesizer plays it.

#include "cli/options.h"

namespace tonvell::cli {

// Renders options.inputs[0] into *options.wav; the exit status: 0 written,
// 1 not (the reason is on standard error, and no file was written), 3
// written from a MIDI file that was cut short.
int RenderWav(const Options& options);

}  // namespace tonvell::cli
