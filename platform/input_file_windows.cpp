// SPDX-License-Identifier: MIT
// Reading an input on Windows: a file on a disk is mapped, anything else (a
// pipe, standard input, a device) is read to its end.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/described_file.h"
#include "platform/input_file.h"
#include "platform/last_error.h"

namespace tonvell::cli {

namespace {

// Standard input is not closed with the input; a file opened here is.
tonvell::DescribedFile Open(const std::string& path) {
    return path == kStandardInput ? tonvell::Describe(GetStdHandle(STD_INPUT_HANDLE))
                                  : tonvell::OpenAndDescribe(path, GENERIC_READ);
}

// The bytes of a file on a disk, mapped; nothing where it cannot be mapped.
const std::uint8_t* Map(HANDLE file, std::size_t size) {
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        return nullptr;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
    // The view keeps the mapping alive.
    CloseHandle(mapping);
    return static_cast<const std::uint8_t*>(view);
}

}  // namespace

InputFile::InputFile(const std::string& path, std::int64_t maxBytes) : maxBytes_(maxBytes) {
    if (path.empty()) {
        state_ = State::NotOpened;
        reason_ = "no file name";
        return;
    }
    const tonvell::DescribedFile input = Open(path);
    if (!input.Opened()) {
        state_ = State::NotOpened;
        reason_ = std::strerror(errno);
        return;
    }
    if (input.onDisk) {
        const std::int64_t size = input.Size();
        if (input.IsFolder()) {
            state_ = State::NotOpened;
            reason_ = std::strerror(EISDIR);
        } else if (size > maxBytes_) {
            state_ = State::TooLarge;
            size_ = size;
        } else if (const std::uint8_t* pages =
                       size > 0 ? Map(input.handle, static_cast<std::size_t>(size)) : nullptr) {
            mapped_ = true;
            size_ = size;
            bytes_ = {pages, static_cast<std::size_t>(size)};
        } else {
            Read(reinterpret_cast<std::intptr_t>(input.handle));
        }
    } else {
        Read(reinterpret_cast<std::intptr_t>(input.handle));
    }
    if (path != kStandardInput) {
        CloseHandle(input.handle);
    }
}

InputFile::~InputFile() {
    if (mapped_) {
        UnmapViewOfFile(bytes_.data());
    }
}

void InputFile::Read(std::intptr_t handle) {
    // The handle came from the system as a HANDLE and was kept as an integer.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    const HANDLE file = reinterpret_cast<HANDLE>(handle);
    buffer_.resize(static_cast<std::size_t>(maxBytes_) + 1);
    std::size_t got = 0;
    while (got < buffer_.size()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(buffer_.size() - got);
        if (!ReadFile(file, buffer_.data() + got, want, &n, nullptr)) {
            // The writer of a pipe has closed its end: that is the end.
            if (GetLastError() == ERROR_BROKEN_PIPE) {
                break;
            }
            state_ = State::NotOpened;
            reason_ = std::strerror(tonvell::SetErrnoFromLastError());
            buffer_.clear();
            return;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    KeepRead(got);
}

// A mapped file cannot be cut short on Windows: the system refuses while the
// mapping lasts, so there is no fault to report.
void BeginReportingMappedFileFaults(const char*, const std::string&) {}

void EndReportingMappedFileFaults() {}

}  // namespace tonvell::cli
