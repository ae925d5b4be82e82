#pragma once
// Writes a file so that a failure loses nothing: the bytes go to a temporary
// file beside the target, which replaces the target only once complete.

#include <string>
#include <string_view>

namespace tonvell {

enum class WriteOutcome { Written, CannotCreate, CannotWrite };

// Targets that are not regular files (devices, pipes) are written in place,
// since renaming over them would replace the device node itself.
WriteOutcome WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace tonvell
