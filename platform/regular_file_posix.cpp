// SPDX-License-Identifier: MIT
// Opening an input file on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/regular_file.h"

namespace tonvell {

std::FILE* OpenRegularFile(const std::string& path, std::string& reason) {
    // Without O_NONBLOCK, opening a named pipe would wait for its writer.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        reason = S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : kNotRegularFile;
        close(file);
        return nullptr;
    }
    fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = fdopen(file, "rb");
    if (!stream) {
        reason = std::strerror(errno);
        close(file);
    }
    return stream;
}

}  // namespace tonvell
