#pragma once
// Saving the listing box's text as one of the three file forms.

#include <string>
#include <string_view>

#include "output/file_replace.h"

namespace tonvell {

struct SaveResult {
    WriteOutcome outcome = WriteOutcome::Written;
    std::string message;  // "Cannot create file …" / "Cannot write file …", empty when saved
    bool ok() const { return outcome == WriteOutcome::Written; }
};

// text: the listing box's whole text; fileType: the dialog's type 1 to 4;
// path: the full path the user confirmed; files: where it is written.
SaveResult SaveListing(std::string_view text, int fileType, const std::string& path,
                       const FileSystem& files = SystemFileSystem());

}  // namespace tonvell
