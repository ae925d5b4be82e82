// SPDX-License-Identifier: MIT
#pragma once
// Which file a path leads to, so that an output that would overwrite an input
// is told apart whatever name, link or hard link leads to it.

#include <cstdint>
#include <optional>
#include <string>

namespace tonvell::cli {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path, links followed, found without opening it
// (opening a named pipe would take its data); nothing when nothing is there.
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace tonvell::cli
