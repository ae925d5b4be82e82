// SPDX-License-Identifier: MIT
// tonvell-cli --wav in a build without FluidSynth's headers.

#include "cli/messages.h"
#include "cli/render_wav.h"

namespace tonvell::cli {

int RenderWav(const Options&) {
    Error("--wav is not available: built without FluidSynth");
    return 1;
}

}  // namespace tonvell::cli
