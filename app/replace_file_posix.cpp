// The durable replacement of a file on POSIX systems: a new file beside the
// old one, written whole, flushed with fsync, renamed over the old one, and
// the folder flushed so that the rename itself survives a power failure.
// There is no fallback that writes into the old file: a half-written settings
// file would be worse than an old one.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "app/profile_file.h"

namespace tonvell::app {

namespace {

namespace fs = std::filesystem;

// The file a chain of links ends at; path itself when it is no link.
std::optional<fs::path> FinalTarget(fs::path path) {
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(path, ec); ++hops) {
        const fs::path next = fs::read_symlink(path, ec);
        if (ec || hops == 40) {
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new file beside target that nobody else has opened, or -1.
int CreateBeside(const fs::path& target, mode_t mode, fs::path& created) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict)
        // on "." + std::string.
        std::string name = ".";
        name += target.filename().string();
        name += '.';
        name += std::to_string(random());
        name += ".tmp";
        created = target.parent_path() / name;
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void FlushFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool ReplaceFileDurably(const std::string& pathText, std::string_view bytes) {
    if (pathText.empty()) {
        return false;
    }
    std::optional<fs::path> target = FinalTarget(fs::path(pathText));
    if (!target) {
        return false;
    }
    if (target->parent_path().empty()) {
        *target = fs::path(".") / *target;
    }
    struct stat old {};
    const bool exists = ::stat(target->c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        return false;  // a folder, device or pipe is never replaced
    }
    fs::path temporary;
    // A new file gets the usual permissions less the umask; until it holds
    // everything, a replacement is readable by its owner only.
    const int fd = CreateBeside(*target, exists ? S_IRUSR | S_IWUSR : 0666, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes);
    if (ok && exists) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target->c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    FlushFolder(target->parent_path());
    return true;
}

}  // namespace tonvell::app
