// SPDX-License-Identifier: MIT
#pragma once
// Writes a file so that a failure loses nothing: the bytes go to a new file
// with a short temporary name in the target's folder, which is put on the
// disk and only then renamed over the target. Whatever step fails, the old
// file stays as it was and no temporary file is left.

#include <string>
#include <string_view>

#include "output/file_system.h"

namespace tonvell {

enum class WriteOutcome { Written, CannotCreate, CannotWrite };

// CannotCreate: the target or its temporary file cannot be made (a missing or
// read-only folder, a folder that takes no new file though the target itself
// is writable, a name that is a folder). CannotWrite: the bytes could not all
// be written and put on the disk, or the rename failed.
//
// A link is written through: the file it names is replaced and the link
// stays. Targets that are not plain files (devices, pipes) are written in
// place, since renaming over them would replace the device node itself; a
// pipe that nobody reads fails at once instead of waiting.
WriteOutcome WriteFileReplacing(const std::string& path, std::string_view bytes,
                                const FileSystem& files = SystemFileSystem());

}  // namespace tonvell
