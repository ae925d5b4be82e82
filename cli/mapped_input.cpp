#include "cli/mapped_input.h"

#include <algorithm>
#include <filesystem>

#if defined(__unix__)
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#endif

namespace tonvell::cli {

#if defined(__unix__)

namespace {

// What the SIGBUS handler says: set before a mapped file is converted. Plain
// buffers, since the handler may only write and exit.
char sigbusMessage[4096];
std::size_t sigbusMessageLength = 0;

extern "C" void OnSigbus(int) {
    [[maybe_unused]] const auto written = write(STDERR_FILENO, sigbusMessage, sigbusMessageLength);
    _exit(1);
}

// Turns SIGBUS into the message about path while it lives.
class SigbusReport {
public:
    SigbusReport(const char* program, const std::string& path) {
        const std::string text =
            std::string(program) + ": " + path + ": the file changed while it was read\n";
        sigbusMessageLength = std::min(text.size(), sizeof sigbusMessage);
        std::memcpy(sigbusMessage, text.data(), sigbusMessageLength);
        struct sigaction action {};
        action.sa_handler = OnSigbus;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous_);
    }
    ~SigbusReport() { sigaction(SIGBUS, &previous_, nullptr); }
    SigbusReport(const SigbusReport&) = delete;
    SigbusReport& operator=(const SigbusReport&) = delete;

private:
    struct sigaction previous_ {};
};

// A read-only mapping of a whole file, unmapped when it goes.
class Mapping {
public:
    Mapping(int fd, std::size_t size) : size_(size) {
        void* pages = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (pages != MAP_FAILED)
            data_ = static_cast<const std::uint8_t*>(pages);
    }
    ~Mapping() {
        if (data_)
            munmap(const_cast<std::uint8_t*>(data_), size_);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    bool Mapped() const { return data_ != nullptr; }
    std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_;
};

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            close(fd);
    }
};

}  // namespace

ConversionResult ConvertMapped(const std::string& path, const ConvertOptions& options,
                               const char* program) {
    const FdCloser file{path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat status {};
    if (file.fd < 0 || fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size <= 0 || status.st_size > kMaxInputBytes) {
        return Convert(path, options);
    }
    const Mapping mapping(file.fd, static_cast<std::size_t>(status.st_size));
    if (!mapping.Mapped()) {
        return Convert(path, options);
    }
    const SigbusReport report(program, path);
    return ConvertBytes(mapping.Bytes(), std::filesystem::path(path).filename().string(), options);
}

#else

ConversionResult ConvertMapped(const std::string& path, const ConvertOptions& options,
                               const char* program) {
    return Convert(path, options);
}

#endif

}  // namespace tonvell::cli
