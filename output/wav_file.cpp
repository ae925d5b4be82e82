// SPDX-License-Identifier: MIT
#include "output/wav_file.h"

namespace tonvell {

namespace {

constexpr int kBitsPerSample = 16;
constexpr std::uint16_t kPcmFormat = 1;

void PutLE(std::string& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void PutText(std::string& out, std::size_t at, const char (&text)[5]) {
    out.replace(at, 4, text, 4);
}

}  // namespace

std::string WavHeader(int sampleRate, int channels, std::uint32_t dataBytes) {
    std::string bytes(44, '\0');
    const auto blockAlign = static_cast<std::uint32_t>(channels * kBitsPerSample / 8);
    PutText(bytes, 0, "RIFF");
    PutLE(bytes, 4, dataBytes + 36, 4);
    PutText(bytes, 8, "WAVE");
    PutText(bytes, 12, "fmt ");
    PutLE(bytes, 16, 16, 4);  // size of the format chunk
    PutLE(bytes, 20, kPcmFormat, 2);
    PutLE(bytes, 22, static_cast<std::uint32_t>(channels), 2);
    PutLE(bytes, 24, static_cast<std::uint32_t>(sampleRate), 4);
    PutLE(bytes, 28, static_cast<std::uint32_t>(sampleRate) * blockAlign, 4);
    PutLE(bytes, 32, blockAlign, 2);
    PutLE(bytes, 34, kBitsPerSample, 2);
    PutText(bytes, 36, "data");
    PutLE(bytes, 40, dataBytes, 4);
    return bytes;
}

void AppendSamples(std::string& out, std::span<const std::int16_t> samples) {
    const std::size_t at = out.size();
    out.resize(at + samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        PutLE(out, at + 2 * i, static_cast<std::uint16_t>(samples[i]), 2);
    }
}

WavFile::WavFile(int sampleRate, int channels)
    : channels_(channels), bytes_(WavHeader(sampleRate, channels, 0)) {}

bool WavFile::Append(std::span<const std::int16_t> samples) {
    const std::uint64_t dataBytes = bytes_.size() - kHeaderBytes;
    if (dataBytes + samples.size() * 2 > maxDataBytes_) {
        return false;
    }
    AppendSamples(bytes_, samples);
    return true;
}

std::uint64_t WavFile::Frames() const {
    return (bytes_.size() - kHeaderBytes) / (2 * static_cast<std::uint64_t>(channels_));
}

const std::string& WavFile::Bytes() {
    const auto dataBytes = static_cast<std::uint32_t>(bytes_.size() - kHeaderBytes);
    PutLE(bytes_, 4, dataBytes + 36, 4);
    PutLE(bytes_, 40, dataBytes, 4);
    return bytes_;
}

WriteOutcome WavFile::Save(const std::string& path) {
    return WriteFileReplacing(path, Bytes());
}

}  // namespace tonvell
