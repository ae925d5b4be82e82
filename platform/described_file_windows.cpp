// SPDX-License-Identifier: MIT
#include "platform/described_file.h"

#include "platform/last_error.h"
#include "platform/native_path.h"

namespace tonvell {

DescribedFile OpenAndDescribe(const std::string& path, DWORD access) {
    // Backup semantics let a folder be opened too, so that it is told apart.
    return Describe(CreateFileW(PathFromUtf8(path).c_str(), access,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

DescribedFile Describe(HANDLE handle) {
    DescribedFile file;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        SetErrnoFromLastError();
        return file;
    }
    file.handle = handle;
    file.onDisk =
        GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &file.info);
    return file;
}

}  // namespace tonvell
