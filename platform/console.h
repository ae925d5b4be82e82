// SPDX-License-Identifier: MIT
#pragma once
// The command line's arguments and standard streams as the program expects
// them on every system: arguments in UTF-8, streams passing bytes unchanged,
// messages (UTF-8) readable in a console. One backend per platform:
// console_posix.cpp, console_windows.cpp.

#include <string>
#include <vector>

namespace tonvell::cli {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Readies the standard streams before anything is read or written.
void PrepareStandardStreams();

}  // namespace tonvell::cli
