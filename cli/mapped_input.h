#pragma once
// Input files for the command line, mapped into memory rather than read.
//
// Reading a file copies it into fresh memory, and on a virtual machine that
// copy can take a tenth of a conversion's time. A mapped file is not copied.
// The price: should another program cut the file short while it is being
// converted, touching a page past its new end raises SIGBUS. The command line
// turns that into an error message and exit status 1 (nothing has been
// written for the file by then); the window reads its files instead, so that
// it can never lose the user's work that way.

#include <string>

#include "convert/conversion.h"

namespace tonvell::cli {

// Converts the file at path exactly as tonvell::Convert does; a regular file
// of acceptable size is mapped, anything else (a pipe, a device, a file that
// cannot be opened) goes through tonvell::Convert. A SIGBUS while the mapped
// file is converted ends the program with "PROGRAM: PATH: the file changed
// while it was read" on standard error and exit status 1.
ConversionResult ConvertMapped(const std::string& path, const ConvertOptions& options,
                               const char* program);

}  // namespace tonvell::cli
