// SPDX-License-Identifier: MIT
#pragma once
// Windows only: a file opened by its UTF-8 name, and what the open handle
// says it is. Every part that opens a named file on Windows asks here, so
// that a folder, a pipe or a device (CON, NUL) is told from a file on a disk
// the same way everywhere, and asking cannot race with a rename.

#include <windows.h>

#include <cstdint>
#include <string>

namespace tonvell {

struct DescribedFile {
    // INVALID_HANDLE_VALUE when it could not be opened (errno tells why);
    // otherwise the caller's to close.
    HANDLE handle = INVALID_HANDLE_VALUE;
    // A file or a folder on a disk, with info filled in; false for a pipe,
    // a console or a device.
    bool onDisk = false;
    BY_HANDLE_FILE_INFORMATION info{};

    bool Opened() const { return handle != INVALID_HANDLE_VALUE; }
    bool IsFolder() const { return onDisk && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); }
    std::int64_t Size() const {
        return static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) |
                                         info.nFileSizeLow);
    }
};

// Opens path with access (0 to ask only what it is) shared with every other
// user, a folder too, and describes it.
DescribedFile OpenAndDescribe(const std::string& path, DWORD access);

// Describes a handle opened elsewhere (standard input); a missing one counts
// as not opened.
DescribedFile Describe(HANDLE handle);

}  // namespace tonvell
