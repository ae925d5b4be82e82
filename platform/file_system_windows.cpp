// SPDX-License-Identifier: MIT
// The file system of Windows. Paths arrive as UTF-8 and go to the system as
// UTF-16; a file being written is a Windows handle.
//
// The replacement of a file: the new file is flushed to the disk, then put in
// the old one's place with ReplaceFileW (which keeps the old file's
// attributes, security and creation time) or, where there is no old file or
// ReplaceFileW cannot be used there, MoveFileExW with write-through, which
// returns only once the rename is on the disk. Either leaves the old file as
// it was when it fails.

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/native_path.h"

namespace tonvell {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE NativeHandle(FileSystem::Handle file) {
    // Handles are kept as integers that came from HANDLEs (HandleOf).
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<HANDLE>(file);
}

FileSystem::Handle HandleOf(HANDLE file) {
    return file == INVALID_HANDLE_VALUE ? FileSystem::kNoHandle
                                        : reinterpret_cast<FileSystem::Handle>(file);
}

std::wstring Wide(const std::string& path) {
    return PathFromUtf8(path).wstring();
}

// The permission bits a file's attributes amount to: a read-only file may be
// read by all and written by none.
unsigned ModeOf(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_READONLY) ? 0444u : 0666u;
}

class WindowsFileSystem final : public FileSystem {
public:
    std::optional<Entry> Look(const std::string& path) const override {
        // Opened without access rights, only to be asked what it is: a device
        // (CON, NUL) or a pipe is then told apart from a file on a disk.
        const HANDLE file = CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return LookByAttributes(path);
        }
        Entry entry;
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)) {
            entry.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.regular = !entry.folder;
            entry.mode = ModeOf(info.dwFileAttributes);
            entry.writable = !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
        }
        CloseHandle(file);
        return entry;
    }

    // Windows links are followed by the system itself when a file is opened
    // or replaced; nothing here is a link to follow by hand.
    std::optional<Link> LinkTarget(const std::string&) const override { return std::nullopt; }

    Handle CreateNew(const std::string& path) const override {
        // Others may delete it while it is open: an interrupt removes the
        // temporary file from another thread while it is being written.
        const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            SetErrnoFromLastError();
        }
        return HandleOf(file);
    }

    Handle OpenExisting(const std::string& path) const override {
        const HANDLE file =
            CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            SetErrnoFromLastError();
        }
        return HandleOf(file);
    }

    bool Write(Handle file, std::string_view bytes) const override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(NativeHandle(file), bytes.data(), chunk, &written, nullptr) ||
                written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool WriteAt(Handle file, std::uint64_t offset, std::string_view bytes) const override {
        // A write at an offset moves the file's position: it is put back, so
        // that Write goes on where it was.
        LARGE_INTEGER here{};
        if (!SetFilePointerEx(NativeHandle(file), LARGE_INTEGER{}, &here, FILE_CURRENT)) {
            return false;
        }
        bool ok = true;
        while (ok && !bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD written = 0;
            ok = WriteFile(NativeHandle(file), bytes.data(), chunk, &written, &at) && written > 0;
            bytes.remove_prefix(written);
            offset += written;
        }
        return SetFilePointerEx(NativeHandle(file), here, nullptr, FILE_BEGIN) && ok;
    }

    // The attributes, security and times of the old file are kept by
    // ReplaceFileW itself.
    void CopyAttributes(Handle, const Entry&) const override {}

    bool Sync(Handle file) const override { return FlushFileBuffers(NativeHandle(file)) != 0; }

    bool Close(Handle file) const override { return CloseHandle(NativeHandle(file)) != 0; }

    bool Rename(const std::string& from, const std::string& to) const override {
        const std::wstring source = Wide(from);
        const std::wstring target = Wide(to);
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            // A read-only file is one the user asked not to be changed: it is
            // kept, whatever the system would allow.
            if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
                errno = EACCES;
                return false;
            }
            if (ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
                return true;
            }
        }
        // No old file, or one that ReplaceFileW cannot take (some network
        // shares and file systems): a rename that replaces it in one step.
        if (MoveFileExW(source.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        SetErrnoFromLastError();
        return false;
    }

    // The rename was written through; folders cannot be flushed on Windows.
    void SyncFolder(const std::string&) const override {}

    void Remove(const std::string& path) const override { DeleteFileW(Wide(path).c_str()); }

private:
    // For a file that cannot be opened even without access rights (one held
    // open without sharing by another program).
    static std::optional<Entry> LookByAttributes(const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
            // Taken as nothing there: the save's own steps then tell why it
            // cannot be made.
            errno = ENOENT;
            return std::nullopt;
        }
        Entry entry;
        entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.regular = !entry.folder;
        entry.mode = ModeOf(data.dwFileAttributes);
        entry.writable = !(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
        return entry;
    }
};

}  // namespace

const FileSystem& SystemFileSystem() {
    static const WindowsFileSystem system;
    return system;
}

}  // namespace tonvell
