// SPDX-License-Identifier: MIT
// A file's identity on Windows: the serial number of its volume and its index
// on that volume, the same whichever name, drive letter, share or hard link
// leads to it.
#include "platform/file_identity.h"

#include "platform/described_file.h"

namespace tonvell::cli {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Opened without access rights: only the identity is asked for.
    const DescribedFile file = OpenAndDescribe(path, 0);
    if (!file.Opened()) {
        return std::nullopt;
    }
    CloseHandle(file.handle);
    if (!file.onDisk) {
        return std::nullopt;
    }
    return FileIdentity{file.info.dwVolumeSerialNumber,
                        (std::uint64_t{file.info.nFileIndexHigh} << 32) | file.info.nFileIndexLow};
}

}  // namespace tonvell::cli
