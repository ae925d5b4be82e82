// SPDX-License-Identifier: MIT
#pragma once
// One input of the command line, opened once and held in memory.
//
// Each input is opened exactly once: a named pipe whose writer has finished
// can be opened only once, and a second open would wait for ever. A regular
// file is mapped into memory rather than read: reading copies it into fresh
// memory, and on a virtual machine that copy can take a tenth of a
// conversion's time. Anything else (a pipe, /dev/stdin, a process
// substitution such as <(cat song.mid)) is read to its end.
//
// The price of mapping: should another program cut the file short while it
// is being read, touching a page past its new end raises SIGBUS.
// MappedFileFaultReport turns that into an error message and exit status 1;
// the window reads its files instead, so that it can never lose the user's
// work that way. On Windows a mapped file cannot be cut short: the system
// refuses while the mapping lasts.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tonvell::cli {

// The input name that stands for standard input.
inline constexpr char kStandardInput[] = "-";

class InputFile {
public:
    enum class State {
        Read,       // Bytes() holds the whole input
        NotOpened,  // Reason() tells why
        TooLarge,   // more than maxBytes; Size() tells how many (at least)
    };

    InputFile(const std::string& path, std::int64_t maxBytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    State Status() const { return state_; }
    const std::string& Reason() const { return reason_; }
    // The input's size; for a stream over the limit, the bytes read before
    // it was known to be too large.
    std::int64_t Size() const { return size_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    bool Mapped() const { return mapped_; }

private:
    // Reads an open descriptor (on Windows, a handle) to its end, or one
    // byte past the limit.
    void Read(std::intptr_t file);
    // Keeps the first got bytes of buffer_ as the input, or marks it too
    // large; the end of Read on every system.
    void KeepRead(std::size_t got);

    std::int64_t maxBytes_;
    State state_ = State::Read;
    std::string reason_;
    std::int64_t size_ = 0;
    std::span<const std::uint8_t> bytes_;
    bool mapped_ = false;
    std::vector<std::uint8_t> buffer_;  // what was read, when not mapped
};

// While one lives, a fault touching a mapped input (another program cut the
// file short) ends the program with "PROGRAM: PATH: the file changed while it
// was read" on standard error and exit status 1. One at a time.
void BeginReportingMappedFileFaults(const char* program, const std::string& path);
void EndReportingMappedFileFaults();

class MappedFileFaultReport {
public:
    MappedFileFaultReport(const char* program, const std::string& path) {
        BeginReportingMappedFileFaults(program, path);
    }
    ~MappedFileFaultReport() { EndReportingMappedFileFaults(); }
    MappedFileFaultReport(const MappedFileFaultReport&) = delete;
    MappedFileFaultReport& operator=(const MappedFileFaultReport&) = delete;
};

}  // namespace tonvell::cli
