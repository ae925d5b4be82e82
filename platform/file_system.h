// SPDX-License-Identifier: MIT
#pragma once
// The few file-system operations a save makes, behind an interface: one
// backend per platform, and tests that make any single step fail the way a
// full disk or a folder that takes no new file makes it fail.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tonvell {

class FileSystem {
public:
    // An open file being written: a descriptor, or on Windows a handle.
    using Handle = std::intptr_t;
    static constexpr Handle kNoHandle = -1;

    // What is at a path, links followed.
    struct Entry {
        bool regular = false;  // a plain file (not a folder, device or pipe)
        bool folder = false;
        unsigned mode = 0;  // permission bits
        unsigned owner = 0;
        unsigned group = 0;
        // The user may write it: a file the user made read-only is never
        // replaced, as copying over it would be refused too.
        bool writable = true;
    };

    virtual ~FileSystem() = default;

    // A link, as read without following it.
    struct Link {
        std::string target;  // the path it names, as stored in it
        // It lies in a folder that everybody may write and that keeps each
        // entry to its owner (a sticky folder such as /tmp), and neither the
        // user nor the folder's owner made it: another user planted it, and
        // following it would write wherever that user chose. The kernel's
        // link protection (fs.protected_symlinks) refuses to follow such a
        // link; this says so where that protection is off or missing.
        bool planted = false;
    };

    // Nothing when nothing is there or the path cannot be looked at; errno
    // then tells which: ENOENT when nothing is there, otherwise the reason,
    // such as EACCES for a link the system refuses to follow.
    virtual std::optional<Entry> Look(const std::string& path) const = 0;
    // Nothing when path is no link.
    virtual std::optional<Link> LinkTarget(const std::string& path) const = 0;
    // Creates a file that must not exist yet, empty, for writing.
    virtual Handle CreateNew(const std::string& path) const = 0;
    // Opens an existing file or device for writing without truncating it and
    // without waiting (a pipe that nobody reads fails at once).
    virtual Handle OpenExisting(const std::string& path) const = 0;
    // Writes all the bytes; false when any did not go.
    virtual bool Write(Handle file, std::string_view bytes) const = 0;
    // Writes all the bytes at offset, counted from the file's start, without
    // moving the place where Write goes on; false when any did not go.
    virtual bool WriteAt(Handle file, std::uint64_t offset, std::string_view bytes) const = 0;
    // Gives a new file the permissions and, where allowed, the owner of the
    // file it replaces.
    virtual void CopyAttributes(Handle file, const Entry& from) const = 0;
    // Puts the bytes on the disk, so a power cut cannot leave an empty file.
    virtual bool Sync(Handle file) const = 0;
    virtual bool Close(Handle file) const = 0;
    // Puts from in to's place in one step: to is the old file or the new one,
    // never a mixture and never missing.
    virtual bool Rename(const std::string& from, const std::string& to) const = 0;
    // Puts the folder's entries (a rename into it) on the disk.
    virtual void SyncFolder(const std::string& folder) const = 0;
    virtual void Remove(const std::string& path) const = 0;
};

// The file system of the machine.
const FileSystem& SystemFileSystem();

}  // namespace tonvell
