// SPDX-License-Identifier: MIT
#include "output/file_replace.h"

#include <cerrno>
#include <filesystem>
#include <random>

namespace tonvell {

namespace fs = std::filesystem;

namespace {

WriteOutcome WriteInPlace(const FileSystem& files, const std::string& path,
                          std::string_view bytes) {
    const FileSystem::Handle file = files.OpenExisting(path);
    if (file == FileSystem::kNoHandle) {
        return WriteOutcome::CannotCreate;
    }
    const bool written = files.Write(file, bytes);
    const bool closed = files.Close(file);
    return written && closed ? WriteOutcome::Written : WriteOutcome::CannotWrite;
}

// The file a chain of links ends at; nothing for a looping chain.
std::optional<fs::path> FollowLinks(const FileSystem& files, fs::path target) {
    for (int hops = 0; hops <= 40; ++hops) {
        const auto next = files.LinkTarget(target.string());
        if (!next) {
            return target;
        }
        const fs::path named(*next);
        target = named.is_absolute() ? named : target.parent_path() / named;
    }
    return std::nullopt;
}

// A short name, so that a target whose name is near the longest a folder
// allows still gets its temporary file.
std::string TemporaryName() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string name = ".tonvell-";
    for (int i = 0; i < 6; ++i) {
        name += kLetters[random() % (sizeof kLetters - 1)];
    }
    return name;
}

// Creates the temporary file in folder; its path goes to temporary.
FileSystem::Handle CreateTemporary(const FileSystem& files, const fs::path& folder,
                                   std::string& temporary) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        temporary = (folder / TemporaryName()).string();
        errno = 0;
        const FileSystem::Handle file = files.CreateNew(temporary);
        if (file != FileSystem::kNoHandle || errno != EEXIST) {
            return file;
        }
    }
    return FileSystem::kNoHandle;
}

}  // namespace

WriteOutcome WriteFileReplacing(const std::string& path, std::string_view bytes,
                                const FileSystem& files) {
    if (path.empty()) {
        return WriteOutcome::CannotCreate;
    }
    if (const auto entry = files.Look(path); entry && !entry->regular) {
        if (entry->folder) {
            return WriteOutcome::CannotCreate;
        }
        return WriteInPlace(files, path, bytes);
    }
    const auto target = FollowLinks(files, path);
    if (!target) {
        return WriteOutcome::CannotCreate;
    }
    const auto existing = files.Look(target->string());
    const fs::path folder = target->has_parent_path() ? target->parent_path() : fs::path(".");
    // Never a write into the target itself: a folder that takes no new file
    // means the save is refused, with the old file untouched.
    std::string temporary;
    const FileSystem::Handle file = CreateTemporary(files, folder, temporary);
    if (file == FileSystem::kNoHandle) {
        return WriteOutcome::CannotCreate;
    }
    bool ok = files.Write(file, bytes);
    if (ok && existing) {
        // Keep the permissions and owner the user gave the file being replaced.
        files.CopyAttributes(file, *existing);
    }
    ok = ok && files.Sync(file);
    ok = files.Close(file) && ok;
    ok = ok && files.Rename(temporary, target->string());
    if (!ok) {
        files.Remove(temporary);
        return WriteOutcome::CannotWrite;
    }
    files.SyncFolder(folder.string());
    return WriteOutcome::Written;
}

}  // namespace tonvell
