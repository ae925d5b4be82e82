// SPDX-License-Identifier: MIT
#pragma once
// The command line's inputs: read by platform/input_file.h, converted here.

#include <string>

#include "convert/conversion.h"
#include "platform/input_file.h"

namespace tonvell::cli {

// The name of the input file without its folder, as the listing names it.
std::string InputFileName(const std::string& path);

// Converts the input's bytes (fileName goes into the listing) as
// tonvell::ConvertBytes does. A SIGBUS while a mapped file is converted ends
// the program with "PROGRAM: PATH: the file changed while it was read" on
// standard error and exit status 1 (nothing has been written for the file by
// then).
ConversionResult ConvertInput(const InputFile& input, const std::string& path,
                              const ConvertOptions& options, const char* program);

}  // namespace tonvell::cli
