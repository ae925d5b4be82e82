// SPDX-License-Identifier: MIT
#pragma once
// Conversion between the program's UTF-8 text and the 8-bit Windows-1251 text
// of saved files and MIDI chunk names.

#include <string>
#include <string_view>

namespace tonvell {

// Characters that Windows-1251 cannot hold become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// The one undefined byte (98h) and any byte the converter refuses become U+FFFD.
std::string Cp1251ToUtf8(std::string_view cp1251);

}  // namespace tonvell
