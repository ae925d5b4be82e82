#include "output/save_listing.h"

#include "output/listing_formats.h"

namespace tonvell {

SaveResult SaveListing(std::string_view text, int fileType, const std::string& path,
                       const FileSystem& files) {
    const std::string bytes = RenderListing(text, WriterFor(fileType, path));
    SaveResult result;
    result.outcome = WriteFileReplacing(path, bytes, files);
    if (result.outcome == WriteOutcome::CannotCreate) {
        result.message = "Cannot create file " + path;
    } else if (result.outcome == WriteOutcome::CannotWrite) {
        result.message = "Cannot write file " + path;
    }
    return result;
}

}  // namespace tonvell
