// SPDX-License-Identifier: MIT
#pragma once
// Opening an input file for reading, regular files only. One backend per
// platform (regular_file_posix.cpp, regular_file_windows.cpp).

#include <cstdio>
#include <string>

namespace tonvell {

// Opens path (UTF-8) for reading when it is a regular file (links followed).
// A folder, a named pipe or a device is refused without waiting: opening a
// pipe for reading waits until a writer comes, and a device may never end.
// Returns nothing, with reason set, when the file is refused or cannot be
// opened.
std::FILE* OpenRegularFile(const std::string& path, std::string& reason);

// The reason given for a path that is neither a regular file nor a folder.
inline constexpr char kNotRegularFile[] = "not a regular file";

}  // namespace tonvell
