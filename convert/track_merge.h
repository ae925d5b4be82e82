#pragma once
// Merges the tracks of a format-1 file into one track that reads exactly like
// a format-0 track, so that files with a separate tempo track convert whole.

#include <cstdint>
#include <span>
#include <vector>

#include "convert/warnings.h"

namespace tonvell {

struct MergedTrack {
    // The file's first 22 bytes (header and first chunk header) followed by the
    // merged events, so the events start at offset 22 as in a format-0 file.
    std::vector<std::uint8_t> bytes;
    int trackCount = 0;  // MTrk chunks merged
    // The file ended before its tracks did: a chunk claims more bytes than
    // the file has, or fewer track chunks came than the header announces.
    // The merged events then have no end of track after them.
    bool cutShort = false;
    // For a file cut short, how many bytes of track are missing: what the cut
    // chunk still claimed, and for each missing track the average size of
    // those read. The walk's progress counts them as not yet read.
    std::int64_t missingBytes = 0;
};

// True for a format-1 header announcing two or more tracks.
bool ShouldMerge(std::span<const std::uint8_t> file);

// Needs at least midi::kTrackStart bytes of file. Over-long fields met while
// decoding go to warnings.
MergedTrack MergeTracks(std::span<const std::uint8_t> file, WarningList& warnings);

}  // namespace tonvell
