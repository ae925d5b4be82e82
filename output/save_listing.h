// SPDX-License-Identifier: MIT
#pragma once
// Saving the listing box's text as one of the three file forms.

#include <string>
#include <string_view>

#include "output/file_replace.h"
#include "output/listing_formats.h"

namespace tonvell {

struct SaveResult {
    WriteOutcome outcome = WriteOutcome::Written;
    std::string message;  // "Cannot create file …" / "Cannot write file …", empty when saved
    bool ok() const { return outcome == WriteOutcome::Written; }
};

// The message for a write that failed: "Cannot create file PATH" or "Cannot
// write file PATH"; empty for a file written.
std::string WriteFailureText(WriteOutcome outcome, const std::string& path);

// text: the listing's whole text as it stands; path: where it goes; files:
// where it is written.
SaveResult SaveListing(std::string_view text, ListingFileType type, const std::string& path,
                       const FileSystem& files = SystemFileSystem());

}  // namespace tonvell
