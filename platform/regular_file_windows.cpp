// SPDX-License-Identifier: MIT
// Opening an input file on Windows: the UTF-8 path as UTF-16, and the open
// handle asked what it is, so that a folder, a pipe or a device (CON, NUL)
// is refused rather than read.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/described_file.h"
#include "platform/regular_file.h"

namespace tonvell {

std::FILE* OpenRegularFile(const std::string& path, std::string& reason) {
    const DescribedFile opened = OpenAndDescribe(path, GENERIC_READ);
    if (!opened.Opened()) {
        reason = std::strerror(errno);
        return nullptr;
    }
    const HANDLE file = opened.handle;
    if (!opened.onDisk || opened.IsFolder()) {
        reason = opened.IsFolder() ? std::strerror(EISDIR) : kNotRegularFile;
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
