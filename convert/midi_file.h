// SPDX-License-Identifier: MIT
#pragma once
// The fixed layout of a Standard MIDI File's start: the header chunk and the
// first track chunk's header, and the big-endian numbers they hold.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

namespace tonvell::midi {

// The type of the header chunk, the first four bytes of every MIDI file.
inline constexpr std::uint8_t kHeaderType[] = {'M', 'T', 'h', 'd'};

// Whether bytes begin as a Standard MIDI File does, with "MThd". Every part
// that tells a MIDI file from anything else asks this, whatever the file's
// name.
inline bool StartsAsMidi(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= std::size(kHeaderType) &&
           std::equal(std::begin(kHeaderType), std::end(kHeaderType), bytes.begin());
}

inline constexpr std::size_t kHeaderLengthOffset = 4;
inline constexpr std::size_t kFormatOffset = 8;
inline constexpr std::size_t kTrackCountOffset = 10;
inline constexpr std::size_t kTicksOffset = 12;
// The first chunk after the 14-byte header chunk: its type, then its length.
inline constexpr std::size_t kFirstChunk = 14;
inline constexpr std::size_t kChunkHeaderBytes = 8;
inline constexpr std::size_t kTrackLengthOffset = kFirstChunk + 4;
// Where the first track's events start: the header chunk and the first track
// chunk's header come before.
inline constexpr std::size_t kTrackStart = kFirstChunk + kChunkHeaderBytes;

// Reads an unsigned big-endian number of Size bytes at at; the bytes must be there.
template <std::size_t Size>
std::uint32_t ReadBigEndian(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < Size; ++i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

inline std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(ReadBigEndian<2>(bytes, at));
}

inline std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return ReadBigEndian<4>(bytes, at);
}

}  // namespace tonvell::midi
