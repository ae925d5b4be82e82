// SPDX-License-Identifier: MIT
#pragma once
// A listing read back from a file: one the window saved (.inc, or .txt as
// rows of "0xNN," constants) or kept after a signal (NAME.recovered.txt), in
// UTF-8 or Windows-1251, whichever the bytes are.

#include <QString>
#include <cstdint>
#include <string_view>

namespace tonvell::app {

// A listing file is read whole; the listing of the largest MIDI file the
// program reads is a few megabytes.
inline constexpr std::int64_t kMaxListingFileBytes = std::int64_t{16} * 1024 * 1024;

// Whether a file name asks to be opened as a listing: *.inc or *.txt, any case.
bool IsListingFileName(const QString& path);

struct ListingFile {
    QString text;   // the listing, lines separated by "\n"
    QString error;  // why the file could not be read; empty when it was
};

// Reads the file at path: a regular file of at most kMaxListingFileBytes
// (anything else is refused without waiting on it). Valid UTF-8 is read as
// UTF-8 (a mark at its start dropped), anything else as Windows-1251; CR LF
// becomes "\n". A file of "0xNN," constant rows becomes a listing again.
ListingFile ReadListingFile(const QString& path);

// The listing of text: as it stands, or, for rows of "0xNN," constants with
// "//" comment lines (the .txt form of a saved listing), a "DB" line per row
// of constants and a ";" line per comment line.
QString ListingOfText(const QString& text);

}  // namespace tonvell::app
