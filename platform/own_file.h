// SPDX-License-Identifier: MIT
#pragma once
// Small files the program keeps for the user in folders that others may
// write too (the window's start folder may be any folder). A name there is
// opened without following a link and without waiting on a pipe, and the file
// is used only when it is a regular file of the user's own: a link, pipe or
// file another user planted under the name is never written through, waited
// on or believed. Only the window needs this, on POSIX systems.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tonvell {

// Appends bytes to the file at path, created (readable by the user alone)
// when nothing is there. False when path is anything but the user's own
// regular file, or not all bytes went.
bool AppendToOwnFile(const std::string& path, std::string_view bytes);

// The first limit bytes of the file at path; nothing when it is anything but
// the user's own regular file, or cannot be read.
std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t limit);

// The file at path is itself (a link is not followed) a regular file of the
// user's own.
bool IsOwnFile(const std::string& path);

}  // namespace tonvell
