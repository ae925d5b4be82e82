// SPDX-License-Identifier: MIT
#pragma once
// The merge of a format-1 file's tracks written out as one format-0 track:
// the oracle the tests hold the streamed merge against. The conversion never
// writes the merged track; it walks the merged events as they come.

#include <cstdint>
#include <span>
#include <vector>

#include "convert/track_merge.h"
#include "convert/warnings.h"

namespace tonvell::test {

struct MergedTrack {
    // The file's first 22 bytes (header and first chunk header) followed by the
    // merged events, so the events start at offset 22 as in a format-0 file.
    std::vector<std::uint8_t> bytes;
    int trackCount = 0;  // MTrk chunks merged
    bool cutShort = false;
    std::int64_t missingBytes = 0;
};

// The merged track written out.
MergedTrack MergeTracks(std::span<const std::uint8_t> file, WarningList& warnings);

}  // namespace tonvell::test
