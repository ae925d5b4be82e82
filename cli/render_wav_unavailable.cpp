// SPDX-License-Identifier: MIT
// tonvell-cli --wav in a build without FluidSynth's headers.

#include <cstdio>

#include "cli/render_wav.h"

namespace tonvell::cli {

int RenderWav(const Options&, const char* program) {
    std::fprintf(stderr, "%s: --wav is not available: built without FluidSynth\n", program);
    return 1;
}

}  // namespace tonvell::cli
