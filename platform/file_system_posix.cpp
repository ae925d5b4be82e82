// SPDX-License-Identifier: MIT
// The file system of POSIX systems.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/file_system.h"

namespace tonvell {

namespace {

// access() lets the superuser write any file; a file without a single write
// permission was still made read-only on purpose and counts as such.
bool MayWrite(const std::string& path, const struct stat& status) {
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        return false;
    }
    return geteuid() != 0 || !S_ISREG(status.st_mode) || (status.st_mode & 0222) != 0;
}

// The folder a path's last part lies in.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rule of the kernel's link protection: a link in a sticky folder that
// everybody may write is followed only by its owner, or when the folder's
// owner made it.
bool Planted(const std::string& link, const struct stat& status) {
    struct stat folder {};
    if (stat(FolderOf(link).c_str(), &folder) != 0) {
        return true;  // a folder that cannot be looked at is trusted with nothing
    }
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return shared && status.st_uid != geteuid() && status.st_uid != folder.st_uid;
}

// The handles this file system gives out are the descriptors open() returned.
int Descriptor(FileSystem::Handle file) {
    return static_cast<int>(file);
}

class PosixFileSystem final : public FileSystem {
public:
    std::optional<Entry> Look(const std::string& path) const override {
        struct stat status {};
        if (stat(path.c_str(), &status) != 0) {
            return std::nullopt;  // errno from stat: ENOENT, or why it may not look
        }
        Entry entry;
        entry.regular = S_ISREG(status.st_mode);
        entry.folder = S_ISDIR(status.st_mode);
        entry.mode = status.st_mode & 07777;
        entry.owner = status.st_uid;
        entry.group = status.st_gid;
        entry.writable = MayWrite(path, status);
        return entry;
    }

    std::optional<Link> LinkTarget(const std::string& path) const override {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return std::nullopt;
        }
        // The size a link reports may be 0 (links in /proc): grow until the
        // text fits.
        std::vector<char> text(
            std::max<std::size_t>(static_cast<std::size_t>(status.st_size) + 1, 256));
        for (;;) {
            const ssize_t length = readlink(path.c_str(), text.data(), text.size());
            if (length < 0) {
                return std::nullopt;
            }
            if (static_cast<std::size_t>(length) < text.size()) {
                return Link{.target = std::string(text.data(), static_cast<std::size_t>(length)),
                            .planted = Planted(path, status)};
            }
            text.resize(text.size() * 2);
        }
    }

    Handle CreateNew(const std::string& path) const override {
        // 0666 as any new file gets it, narrowed by the user's umask.
        return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }

    Handle OpenExisting(const std::string& path) const override {
        const int file = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (file >= 0) {
            // Opened without waiting for a reader; the writes may wait.
            fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
        }
        return file;
    }

    bool Write(Handle file, std::string_view bytes) const override {
        while (!bytes.empty()) {
            const ssize_t written = write(Descriptor(file), bytes.data(), bytes.size());
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

    bool WriteAt(Handle file, std::uint64_t offset, std::string_view bytes) const override {
        while (!bytes.empty()) {
            const ssize_t written =
                pwrite(Descriptor(file), bytes.data(), bytes.size(), static_cast<off_t>(offset));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
            offset += static_cast<std::uint64_t>(written);
        }
        return true;
    }

    void CopyAttributes(Handle file, const Entry& from) const override {
        // The owner first: changing it clears set-user-ID bits that the mode
        // then restores. Only a privileged user may give a file away; for
        // others the new file stays theirs, as any file they write.
        [[maybe_unused]] const int owned = fchown(Descriptor(file), from.owner, from.group);
        fchmod(Descriptor(file), from.mode);
    }

    bool Sync(Handle file) const override { return fsync(Descriptor(file)) == 0; }

    bool Close(Handle file) const override { return close(Descriptor(file)) == 0; }

    bool Rename(const std::string& from, const std::string& to) const override {
        return rename(from.c_str(), to.c_str()) == 0;
    }

    void SyncFolder(const std::string& folder) const override {
        const int handle = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (handle >= 0) {
            fsync(handle);
            close(handle);
        }
    }

    void Remove(const std::string& path) const override { unlink(path.c_str()); }
};

}  // namespace

const FileSystem& SystemFileSystem() {
    static const PosixFileSystem system;
    return system;
}

}  // namespace tonvell
