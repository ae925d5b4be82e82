// SPDX-License-Identifier: MIT
// The user's own files on POSIX systems: O_NOFOLLOW refuses a link at the
// name, O_NONBLOCK keeps a pipe from holding the open, and fstat tells what
// was opened before a byte is read or written.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/own_file.h"

namespace tonvell {

namespace {

bool Own(const struct stat& status) {
    return S_ISREG(status.st_mode) && status.st_uid == geteuid();
}

// A descriptor of the user's own regular file at path, -1 for anything else.
int OpenOwn(const std::string& path, int flags) {
    const int file = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (file < 0) {
        return -1;
    }
    struct stat status {};
    if (fstat(file, &status) != 0 || !Own(status)) {
        close(file);
        return -1;
    }
    return file;
}

}  // namespace

bool AppendToOwnFile(const std::string& path, std::string_view bytes) {
    const int file = OpenOwn(path, O_WRONLY | O_APPEND | O_CREAT);
    if (file < 0) {
        return false;
    }
    bool ok = true;
    while (ok && !bytes.empty()) {
        const ssize_t written = write(file, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        ok = written > 0;
        if (ok) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    return close(file) == 0 && ok;
}

std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t limit) {
    const int file = OpenOwn(path, O_RDONLY);
    if (file < 0) {
        return std::nullopt;
    }
    std::string bytes(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = read(file, bytes.data() + filled, limit - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            close(file);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    close(file);
    bytes.resize(filled);
    return bytes;
}

bool IsOwnFile(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && Own(status);
}

}  // namespace tonvell
