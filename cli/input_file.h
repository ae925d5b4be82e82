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
// is being converted, touching a page past its new end raises SIGBUS.
// ConvertInput turns that into an error message and exit status 1 (nothing
// has been written for the file by then); the window reads its files
// instead, so that it can never lose the user's work that way. On Windows a
// mapped file cannot be cut short: the system refuses while the mapping lasts.
//
// One backend per platform: input_file_posix.cpp, input_file_windows.cpp.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/conversion.h"

namespace tonvell::cli {

// The input name that stands for standard input.
inline constexpr char kStandardInput[] = "-";

class InputFile {
public:
    enum class State {
        Read,       // Bytes() holds the whole input
        NotOpened,  // Reason() tells why
        TooLarge,   // more than kMaxInputBytes; Size() tells how many (at least)
    };

    explicit InputFile(const std::string& path);
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
    // Whether the bytes begin as a Standard MIDI File does, with "MThd".
    bool LooksLikeMidi() const;

private:
    // Reads an open descriptor (on Windows, a handle) to its end, or one
    // byte past the limit.
    void Read(std::intptr_t file);
    // Keeps the first got bytes of buffer_ as the input, or marks it too
    // large; the end of Read on every system.
    void KeepRead(std::size_t got);

    State state_ = State::Read;
    std::string reason_;
    std::int64_t size_ = 0;
    std::span<const std::uint8_t> bytes_;
    bool mapped_ = false;
    std::vector<std::uint8_t> buffer_;  // what was read, when not mapped
};

// The name of the input file without its folder, as the listing names it.
std::string InputFileName(const std::string& path);

// Converts the input's bytes (fileName goes into the listing) as
// tonvell::ConvertBytes does. A SIGBUS while a mapped file is converted ends
// the program with "PROGRAM: PATH: the file changed while it was read" on
// standard error and exit status 1.
ConversionResult ConvertInput(const InputFile& input, const std::string& path,
                              const ConvertOptions& options, const char* program);

}  // namespace tonvell::cli
