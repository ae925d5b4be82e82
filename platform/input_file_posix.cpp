// SPDX-License-Identifier: MIT
// Reading an input on POSIX systems.
#include "platform/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonvell::cli {

namespace {

// What the SIGBUS handler says: set before a mapped file is converted. Plain
// buffers, since the handler may only write and exit.
char sigbusMessage[4096];
std::size_t sigbusMessageLength = 0;

extern "C" void OnSigbus(int) {
    [[maybe_unused]] const auto written = write(STDERR_FILENO, sigbusMessage, sigbusMessageLength);
    _exit(1);
}

// The handler that was in place before a report began.
struct sigaction previousSigbusAction {};

}  // namespace

InputFile::InputFile(const std::string& path, std::int64_t maxBytes) : maxBytes_(maxBytes) {
    // Blocking, as any reader of a named pipe: it waits for a writer to come.
    // "-" is standard input, held open by a copy of its descriptor.
    const int file = path.empty()             ? -1
                     : path == kStandardInput ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                              : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (file < 0 || fstat(file, &status) != 0) {
        state_ = State::NotOpened;
        reason_ = path.empty() ? "no file name" : std::strerror(errno);
        if (file >= 0) {
            close(file);
        }
        return;
    }
    if (S_ISDIR(status.st_mode)) {
        state_ = State::NotOpened;
        reason_ = std::strerror(EISDIR);
    } else if (S_ISREG(status.st_mode) && status.st_size > maxBytes_) {
        state_ = State::TooLarge;
        size_ = status.st_size;
    } else if (S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        void* pages = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file, 0);
        if (pages != MAP_FAILED) {
            mapped_ = true;
            size_ = status.st_size;
            bytes_ = {static_cast<const std::uint8_t*>(pages), size};
        } else {
            Read(file);
        }
    } else {
        Read(file);
    }
    close(file);
}

InputFile::~InputFile() {
    if (mapped_) {
        munmap(const_cast<std::uint8_t*>(bytes_.data()), bytes_.size());
    }
}

// Reads to the end, or one byte past the limit.
void InputFile::Read(std::intptr_t handle) {
    const int file = static_cast<int>(handle);
    buffer_.resize(static_cast<std::size_t>(maxBytes_) + 1);
    std::size_t got = 0;
    while (got < buffer_.size()) {
        const ssize_t n = read(file, buffer_.data() + got, buffer_.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            state_ = State::NotOpened;
            reason_ = std::strerror(errno);
            buffer_.clear();
            return;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    KeepRead(got);
}

void BeginReportingMappedFileFaults(const char* program, const std::string& path) {
    const std::string text =
        std::string(program) + ": " + path + ": the file changed while it was read\n";
    sigbusMessageLength = std::min(text.size(), sizeof sigbusMessage);
    std::memcpy(sigbusMessage, text.data(), sigbusMessageLength);
    struct sigaction action {};
    action.sa_handler = OnSigbus;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previousSigbusAction);
}

void EndReportingMappedFileFaults() {
    sigaction(SIGBUS, &previousSigbusAction, nullptr);
}

}  // namespace tonvell::cli
