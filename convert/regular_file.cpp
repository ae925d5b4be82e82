// SPDX-License-Identifier: MIT
#include "convert/regular_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tonvell {

namespace {

constexpr char kNotRegular[] = "not a regular file";

}  // namespace

#if defined(__unix__)

std::FILE* OpenRegularFile(const std::string& path, std::string& reason) {
    // Without O_NONBLOCK, opening a named pipe would wait for its writer.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        reason = S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : kNotRegular;
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

#else

std::FILE* OpenRegularFile(const std::string& path, std::string& reason) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) {
        reason = std::strerror(EISDIR);
        return nullptr;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        reason = kNotRegular;
        return nullptr;
    }
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream)
        reason = std::strerror(errno);
    return stream;
}

#endif

}  // namespace tonvell
