// SPDX-License-Identifier: MIT
// On POSIX systems the arguments are the bytes given and the streams need
// nothing.
#include "platform/console.h"

namespace tonvell::cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

void PrepareStandardStreams() {}

}  // namespace tonvell::cli
