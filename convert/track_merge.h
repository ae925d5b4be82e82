#pragma once
// Merges the tracks of a format-1 file into one track that reads exactly like
// a format-0 track, so that files with a separate tempo track convert whole.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tonvell {

struct MergedTrack {
    // The file's first 22 bytes (header and first chunk header) followed by the
    // merged events, so the events start at offset 22 as in a format-0 file.
    std::vector<std::uint8_t> bytes;
    int trackCount = 0;                 // MTrk chunks merged
    std::vector<std::string> messages;  // over-long fields met while decoding
};

// True for a format-1 header announcing two or more tracks.
bool ShouldMerge(std::span<const std::uint8_t> file);

// Needs at least 22 bytes of file.
MergedTrack MergeTracks(std::span<const std::uint8_t> file);

}  // namespace tonvell
