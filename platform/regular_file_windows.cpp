// SPDX-License-Identifier: MIT
// Opening an input file on Windows: the UTF-8 path as UTF-16, and the open
// handle asked what it is, so that a folder, a pipe or a device (CON, NUL)
// is refused rather than read.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/last_error.h"
#include "platform/native_path.h"
#include "platform/regular_file.h"

namespace tonvell {

std::FILE* OpenRegularFile(const std::string& path, std::string& reason) {
    // Backup semantics let a folder be opened too, so that it is told apart.
    const HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = std::strerror(SetErrnoFromLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    if (!disk || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = disk && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? std::strerror(EISDIR)
                                                                            : kNotRegularFile;
        CloseHandle(file);
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        reason = std::strerror(errno);
        CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "rb");
    if (!stream) {
        reason = std::strerror(errno);
        _close(descriptor);
    }
    return stream;
}

}  // namespace tonvell
