// SPDX-License-Identifier: MIT
#include "output/save_listing.h"

namespace tonvell {

std::string WriteFailureText(WriteOutcome outcome, const std::string& path) {
    switch (outcome) {
        case WriteOutcome::CannotCreate:
            return "Cannot create file " + path;
        case WriteOutcome::CannotWrite:
            return "Cannot write file " + path;
        case WriteOutcome::Written:
            break;
    }
    return "";
}

SaveResult SaveListing(std::string_view text, ListingFileType type, const std::string& path,
                       const FileSystem& files) {
    SaveResult result;
    result.outcome = WriteFileReplacing(path, RenderListingFile(text, type), files);
    result.message = WriteFailureText(result.outcome, path);
    return result;
}

}  // namespace tonvell
