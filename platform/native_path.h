// SPDX-License-Identifier: MIT
#pragma once
// Paths are UTF-8 text throughout the program. std::filesystem reads a plain
// string in the system's narrow encoding, which on Windows is the ANSI code
// page rather than UTF-8 (a Cyrillic name would turn into other letters):
// these two convert explicitly. On POSIX systems a path is its bytes.

#include <filesystem>
#include <string>

namespace tonvell {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
#if defined(_WIN32)
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(text);
#endif
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

}  // namespace tonvell
