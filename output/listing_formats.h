#pragma once
// The three file forms of a listing. Each takes the listing text as the
// listing box holds it (UTF-8, lines separated by "\n"; a "\r" before a "\n"
// is taken as part of the line break) and returns the file's bytes, in
// Windows-1251. None checks the listing's grammar: user edits are written as
// they stand.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvell {

enum class ListingFileType { Inc = 1, Zum = 2, Txt = 3, AllFiles = 4 };

// Type 1: the text itself, every line break written as CR LF.
std::string RenderInc(std::string_view text);

// Type 2: the raw data block, one byte per byte field of each "DB" line.
std::string RenderZum(std::string_view text);

// Type 3: "0xNN," constants, 32 to a row, comment and size lines as "//" lines.
std::string RenderTxt(std::string_view text);

// The writer for a dialog file type; "Все файлы" (4) and anything out of range
// pick it by the file name's extension: .zum type 2, .txt type 3, else type 1.
ListingFileType WriterFor(int fileType, std::string_view fileName);

std::string RenderListing(std::string_view text, ListingFileType type);

// The listing box text for converted lines: every line followed by "\n".
std::string JoinListing(const std::vector<std::string>& lines);

// Receives a file's bytes piece by piece, in order.
using ByteSink = std::function<void(std::string_view)>;

// Hands RenderListing(text, type) to sink in pieces. Type 1 of ASCII text
// without "\r" (what the converter writes for an ASCII file name) goes
// straight through a small buffer; anything else is rendered whole first.
void RenderListingTo(std::string_view text, ListingFileType type, const ByteSink& sink);

}  // namespace tonvell
