// SPDX-License-Identifier: MIT
#pragma once
// The three file forms of a listing. Each takes the listing text as the
// listing box holds it (UTF-8, lines separated by "\n"; a "\r" before a "\n"
// is taken as part of the line break) and returns the file's bytes, in
// Windows-1251. None checks the listing's grammar: user edits are written as
// they stand.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tonvell {

enum class ListingFileType { Inc, Zum, Txt };

// The type a file name's extension asks for: .zum, .txt (any case), else .inc.
ListingFileType FileTypeByExtension(std::string_view fileName);

// The extension of a type, without the dot.
std::string_view ExtensionOf(ListingFileType type);

// Type 1: the text itself, every line break written as CR LF.
std::string RenderInc(std::string_view text);

// Type 2: the raw data block, one byte per byte field of each "DB" line.
std::string RenderZum(std::string_view text);

// Type 3: "0xNN," constants, 32 to a row, comment and size lines as "//" lines.
std::string RenderTxt(std::string_view text);
// Type 3 of a listing's next lines, rows going on from constantsInRow.
std::string RenderTxtPiece(std::string_view text, int& constantsInRow);

// The bytes of a listing file of the given type (one of the three above).
std::string RenderListingFile(std::string_view text, ListingFileType type);

// Receives a file's bytes piece by piece, in order.
using ByteSink = std::function<void(std::string_view)>;

// Renders a listing that comes in pieces, each of whole lines, and hands the
// bytes to sink: the same bytes, in order, that RenderListingFile gives for the
// pieces joined. Type 1 of ASCII text (what the converter writes for an ASCII
// file name) takes a fast path: with LF line breaks through a small buffer
// that adds the CRs, with CR LF throughout as it stands.
class ListingRenderer {
public:
    ListingRenderer(ListingFileType type, ByteSink sink);
    void Add(std::string_view text);

private:
    void AddPlainInc(std::string_view text);

    ListingFileType type_;
    ByteSink sink_;
    int constantsInRow_ = 0;  // type 3 rows run across pieces
    std::unique_ptr<char[]> buffer_;
};

}  // namespace tonvell
