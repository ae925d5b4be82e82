// SPDX-License-Identifier: MIT
#include "output/file_replace.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/interrupt_signals.h"
#include "platform/native_path.h"

namespace tonvell {

namespace fs = std::filesystem;

namespace {

// The temporary file of the replacement under way, for a signal handler to
// remove: a fixed buffer, since a handler may neither allocate nor lock.
// The program replaces one file at a time. On Windows the path is kept as
// the system takes it, in UTF-16.
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
NativeChar unfinishedPath[4096];
volatile std::sig_atomic_t unfinishedSet = 0;

void RememberUnfinished(const std::string& path) {
    unfinishedSet = 0;
    const auto native = PathFromUtf8(path).native();
    if (native.size() >= std::size(unfinishedPath)) {
        return;  // longer than any path the system takes
    }
    std::memcpy(unfinishedPath, native.c_str(), (native.size() + 1) * sizeof(NativeChar));
    unfinishedSet = 1;
}

void ForgetUnfinished() {
    unfinishedSet = 0;
}

// The file a chain of links ends at; nothing, with the reason in errno, for a
// looping chain or one through a link another user planted in a shared
// folder.
std::optional<fs::path> FollowLinks(const FileSystem& files, fs::path target) {
    for (int hops = 0; hops <= 40; ++hops) {
        const auto next = files.LinkTarget(Utf8FromPath(target));
        if (!next) {
            return target;
        }
        if (next->planted) {
            errno = EACCES;
            return std::nullopt;
        }
        const fs::path named = PathFromUtf8(next->target);
        target = named.is_absolute() ? named : target.parent_path() / named;
    }
    errno = ELOOP;
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
        temporary = Utf8FromPath(folder / TemporaryName());
        errno = 0;
        const FileSystem::Handle file = files.CreateNew(temporary);
        if (file != FileSystem::kNoHandle || errno != EEXIST) {
            return file;
        }
    }
    return FileSystem::kNoHandle;
}

}  // namespace

WriteOutcome FileReplacement::Begin(const std::string& path) {
    Abandon();
    if (path.empty()) {
        errno = ENOENT;
        return WriteOutcome::CannotCreate;
    }
    // The system looks first, following links as a program opening the path
    // would: a link it refuses to follow (its link protection) or cannot
    // follow is refused here too, before any link is read by hand.
    errno = 0;
    const auto entry = files_.Look(path);
    if (!entry && errno != ENOENT) {
        return WriteOutcome::CannotCreate;
    }
    if (entry && !entry->regular) {
        if (entry->folder) {
            errno = EISDIR;
            return WriteOutcome::CannotCreate;
        }
        file_ = files_.OpenExisting(path);
        if (file_ == FileSystem::kNoHandle) {
            return WriteOutcome::CannotCreate;
        }
        inPlace_ = true;
        return WriteOutcome::Written;
    }
    const auto target = FollowLinks(files_, PathFromUtf8(path));
    if (!target) {
        return WriteOutcome::CannotCreate;
    }
    const auto existing = files_.Look(Utf8FromPath(*target));
    if (existing && !existing->writable) {
        errno = EACCES;
        return WriteOutcome::CannotCreate;
    }
    const fs::path folder = target->has_parent_path() ? target->parent_path() : fs::path(".");
    // Never a write into the target itself: a folder that takes no new file
    // means the save is refused, with the old file untouched.
    std::string temporary;
    {
        const InterruptsDeferred creating;
        file_ = CreateTemporary(files_, folder, temporary);
        if (file_ == FileSystem::kNoHandle) {
            return WriteOutcome::CannotCreate;
        }
        RememberUnfinished(temporary);
    }
    temporary_ = std::move(temporary);
    target_ = Utf8FromPath(*target);
    folder_ = Utf8FromPath(folder);
    replacesExisting_ = existing.has_value();
    if (existing) {
        existing_ = *existing;
    }
    return WriteOutcome::Written;
}

bool FileReplacement::Append(std::string_view bytes) {
    if (file_ == FileSystem::kNoHandle || failed_) {
        return false;
    }
    if (inPlace_) {
        inPlaceBytes_ += bytes;
        return true;
    }
    if (!files_.Write(file_, bytes)) {
        failed_ = true;
        error_ = errno;
    }
    return !failed_;
}

bool FileReplacement::WriteAt(std::uint64_t offset, std::string_view bytes) {
    if (file_ == FileSystem::kNoHandle || failed_) {
        return false;
    }
    if (inPlace_) {
        if (offset > inPlaceBytes_.size() || bytes.size() > inPlaceBytes_.size() - offset) {
            return false;
        }
        inPlaceBytes_.replace(static_cast<std::size_t>(offset), bytes.size(), bytes);
        return true;
    }
    if (!files_.WriteAt(file_, offset, bytes)) {
        failed_ = true;
        error_ = errno;
    }
    return !failed_;
}

WriteOutcome FileReplacement::Commit() {
    if (file_ == FileSystem::kNoHandle) {
        return WriteOutcome::CannotCreate;
    }
    if (inPlace_) {
        const bool written = files_.Write(file_, inPlaceBytes_);
        const int error = errno;
        const bool closed = files_.Close(file_);
        file_ = FileSystem::kNoHandle;
        Abandon();
        errno = error;
        return written && closed ? WriteOutcome::Written : WriteOutcome::CannotWrite;
    }
    bool ok = !failed_;
    if (ok && replacesExisting_) {
        // Keep the permissions and owner the user gave the file being replaced.
        files_.CopyAttributes(file_, existing_);
    }
    ok = ok && files_.Sync(file_);
    ok = files_.Close(file_) && ok;
    file_ = FileSystem::kNoHandle;
    ok = ok && files_.Rename(temporary_, target_);
    if (!ok) {
        const int error = failed_ ? error_ : errno;
        Abandon();
        errno = error;
        return WriteOutcome::CannotWrite;
    }
    ForgetUnfinished();
    temporary_.clear();
    files_.SyncFolder(folder_);
    Abandon();
    return WriteOutcome::Written;
}

void FileReplacement::Abandon() {
    if (file_ != FileSystem::kNoHandle) {
        files_.Close(file_);
        file_ = FileSystem::kNoHandle;
    }
    if (!temporary_.empty()) {
        files_.Remove(temporary_);
        ForgetUnfinished();
        temporary_.clear();
    }
    inPlace_ = false;
    failed_ = false;
    error_ = 0;
    replacesExisting_ = false;
    inPlaceBytes_.clear();
    inPlaceBytes_.shrink_to_fit();
}

WriteOutcome WriteFileReplacing(const std::string& path, std::string_view bytes,
                                const FileSystem& files) {
    FileReplacement file(files);
    if (const WriteOutcome begun = file.Begin(path); begun != WriteOutcome::Written) {
        return begun;
    }
    if (!file.Append(bytes)) {
        const int error = errno;
        file.Abandon();
        errno = error;
        return WriteOutcome::CannotWrite;
    }
    return file.Commit();
}

bool RemoveUnfinishedTemporaryFile() noexcept {
    if (!unfinishedSet) {
        return false;
    }
    // Only a file that was still there counts: a signal that comes after
    // the rename, before the path is forgotten, finds the name gone, and the
    // target was replaced.
#ifdef _WIN32
    const bool removed = _wunlink(unfinishedPath) == 0;
#else
    const bool removed = unlink(unfinishedPath) == 0;
#endif
    unfinishedSet = 0;
    return removed;
}

}  // namespace tonvell
