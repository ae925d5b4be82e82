// SPDX-License-Identifier: MIT
#pragma once
// Writes a file so that a failure loses nothing: the bytes go to a new file
// with a short temporary name in the target's folder, which is put on the
// disk and only then renamed over the target. Whatever step fails, the old
// file stays as it was and no temporary file is left; a signal that ends the
// program meanwhile removes it too (RemoveUnfinishedTemporaryFile).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tonvell {

enum class WriteOutcome { Written, CannotCreate, CannotWrite };

// CannotCreate: the target or its temporary file cannot be made (a missing or
// read-only folder, a folder that takes no new file though the target itself
// is writable, a name that is a folder, a file the user made read-only).
// CannotWrite: the bytes could not all be written and put on the disk, or the
// rename failed. After a failure errno holds the reason of the step that
// failed.
//
// A link is written through: the file it names is replaced and the link
// stays. A link that another user planted in a shared folder (see
// FileSystem::Link::planted) is refused with EACCES, the file it names kept. Targets that are not
// plain files (devices, pipes) are written in place, since renaming over them would replace the
// device node itself; a pipe that nobody reads fails at once instead of waiting.
WriteOutcome WriteFileReplacing(const std::string& path, std::string_view bytes,
                                const FileSystem& files = SystemFileSystem());

// The same replacement for a file too large to be held in memory: Begin
// makes the temporary file (so a target that cannot be written is known
// before the work that produces the bytes), Append and WriteAt fill it, and
// Commit puts it in the target's place. Dropped or abandoned before Commit,
// the temporary file is removed and the old file stays. A target that is no
// plain file gets the bytes in place at Commit, kept in memory until then.
class FileReplacement {
public:
    explicit FileReplacement(const FileSystem& files = SystemFileSystem()) : files_(files) {}
    ~FileReplacement() { Abandon(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Written when the bytes can now be given; otherwise CannotCreate (the
    // reason in errno) and nothing was made.
    WriteOutcome Begin(const std::string& path);
    // False (the reason in errno) when the bytes did not all go.
    bool Append(std::string_view bytes);
    // Overwrites bytes already appended (a header whose sizes are known last).
    bool WriteAt(std::uint64_t offset, std::string_view bytes);
    // Puts the file on the disk and in the target's place.
    WriteOutcome Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

private:
    const FileSystem& files_;
    std::string target_;
    std::string folder_;
    std::string temporary_;
    FileSystem::Entry existing_;
    bool replacesExisting_ = false;
    FileSystem::Handle file_ = FileSystem::kNoHandle;
    bool inPlace_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::string inPlaceBytes_;
};

// Removes the temporary file of a replacement under way; true only when one
// was removed, so the target was not replaced (false when there was none, or
// it had already been renamed into the target's place). Safe inside a signal handler: a program
// ended by a signal calls it first, so no hidden temporary file stays behind.
bool RemoveUnfinishedTemporaryFile() noexcept;

}  // namespace tonvell
