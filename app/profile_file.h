// SPDX-License-Identifier: MIT
#pragma once
// Profile (INI) files read and written the way the classic Windows profile
// calls do it, so that a Cfg.ini moves between this program and its earlier
// Windows versions unchanged: sections and keys matched without regard to
// case, values taken as they stand, and a write that replaces one key's value
// and keeps every other byte of the file.
//
// Text: the file is UTF-8 when its bytes are valid UTF-8, otherwise
// Windows-1251 (as an earlier version wrote it), decided once when the file
// is read, so writing one key never changes how another reads. A UTF-8 mark
// at the start is skipped and kept. Lines end at CR LF, LF or a lone CR; new
// lines get the file's first line break. Values go in and out as UTF-8. Writing into a Windows-1251
// file keeps it Windows-1251, so its other lines stay byte for byte; only a value that Windows-1251
// cannot hold turns the whole file into UTF-8 first, which loses nothing either.
//
// Plain C++: no Qt.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tonvell::app {

// A value read is cut to this many characters, as the classic read into a
// 256-character buffer does.
inline constexpr std::size_t kProfileValueLimit = 255;

// A settings file holds a few hundred bytes; a larger one than this is no
// settings file and is not read.
inline constexpr std::size_t kProfileFileLimit = 1 << 20;

class ProfileFile {
public:
    // The content of a file that does not exist yet.
    ProfileFile() = default;
    explicit ProfileFile(std::string bytes);

    // The file's bytes, empty when there is no file. Nothing when the file is
    // there but cannot be read, is no plain file (a folder, a pipe, a device)
    // or is larger than kProfileFileLimit: writing it then would lose its
    // other lines. Never waits for a pipe's writer.
    static std::optional<ProfileFile> Load(const std::string& path);

    // The value of key in section, or fallback when the section or the key
    // is missing. Spaces and tabs around the value are dropped, then one pair
    // of matching quotes around it; at most kProfileValueLimit characters.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;

    // The leading decimal digits of the value (0 when it has none), or
    // fallback when the key is missing or its value empty.
    int ReadInt(std::string_view section, std::string_view key, int fallback) const;

    // Gives key in section this value, adding the section at the end and the
    // key at the end of its section when they are missing. A value with a
    // line break cannot be held by the file and is refused (false); the file
    // is then unchanged.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Bytes() const { return bytes_; }

private:
    // After a write into a Windows-1251 file: the file stays one that reads
    // the same the next time. True.
    bool KeepEncoding();

    std::string bytes_;
    bool legacy_ = false;  // Windows-1251
};

// Replaces the file at path with bytes so that a failure at any point leaves
// the old file whole: the bytes go to a new file beside it, are flushed to the
// disk, and the new file is renamed over the old one. A link is followed and
// stays a link; the old file's permissions and owner are kept. Anything but a
// plain file in its place is left alone. Returns false when the file could
// not be replaced; nothing is left behind then.
bool ReplaceFileDurably(const std::string& path, std::string_view bytes);

}  // namespace tonvell::app
