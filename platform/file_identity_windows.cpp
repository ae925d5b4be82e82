// SPDX-License-Identifier: MIT
// A file's identity on Windows: the serial number of its volume and its index
// on that volume, the same whichever name, drive letter, share or hard link
// leads to it.
#include <windows.h>

#include "platform/file_identity.h"
#include "platform/native_path.h"

namespace tonvell::cli {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Opened without access rights: only the identity is asked for.
    const HANDLE file = CreateFileW(tonvell::PathFromUtf8(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known =
        GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace tonvell::cli
