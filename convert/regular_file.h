// SPDX-License-Identifier: MIT
#pragma once
// Opening an input file for reading, regular files only.

#include <cstdio>
#include <string>

namespace tonvell {

// Opens path for reading when it is a regular file (links followed). A
// folder, a named pipe or a device is refused without waiting: opening a pipe
// for reading waits until a writer comes, and a device may never end. Returns
// nothing, with reason set, when the file is refused or cannot be opened.
std::FILE* OpenRegularFile(const std::string& path, std::string& reason);

}  // namespace tonvell
