// SPDX-License-Identifier: MIT
#pragma once
// A WAV file of 16-bit PCM, assembled in memory and saved through
// WriteFileReplacing, so a failure leaves any existing file as it was.

#include <cstdint>
#include <span>
#include <string>

#include "output/file_replace.h"

namespace tonvell {

// The 44-byte header of a file that holds dataBytes of samples.
std::string WavHeader(int sampleRate, int channels, std::uint32_t dataBytes);
// Appends samples to out as the file holds them (16-bit little-endian).
void AppendSamples(std::string& out, std::span<const std::int16_t> samples);

class WavFile {
public:
    // The RIFF sizes are 32-bit: the data must stay under 4 GiB; Tonvell keeps
    // to far less, since the file is held in memory until it is saved.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFF'FFFFull - 36;

    WavFile(int sampleRate, int channels);

    // Appends interleaved samples; false (nothing appended) when the data
    // would outgrow maxDataBytes.
    bool Append(std::span<const std::int16_t> samples);
    // The frames appended so far.
    std::uint64_t Frames() const;
    // The complete file: header and data.
    const std::string& Bytes();
    WriteOutcome Save(const std::string& path);

    void SetMaxDataBytes(std::uint64_t bytes) { maxDataBytes_ = bytes; }

private:
    static constexpr std::size_t kHeaderBytes = 44;
    int channels_;
    std::uint64_t maxDataBytes_ = kMaxDataBytes;
    std::string bytes_;  // the header's sizes are filled in by Bytes()
};

}  // namespace tonvell
