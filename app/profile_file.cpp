// SPDX-License-Identifier: MIT
#include "app/profile_file.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "convert/cp1251.h"
#include "convert/utf8.h"
#include "output/file_replace.h"

namespace tonvell::app {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char FoldCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

// The first count characters of UTF-8 text.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n) {
        i += DecodeUtf8(text, i).length;
    }
    return text.substr(0, i);
}

// One line of the file: its text without the line break, and where the next
// line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

std::size_t MarkLength(std::string_view text) {
    return text.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
}

// Lines end at CR LF, LF or a lone CR, as editors on each system leave them.
std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t begin = MarkLength(text);
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
        std::size_t next = end;
        if (next < text.size()) {
            next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        }
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
}

// "[Name]": the name between the first "[" and the last "]".
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    const std::size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

// "Key=Value": the key, and where the value starts (after the "=" and the
// blanks that follow it), counted from the start of the line.
struct KeyLine {
    std::string_view key;
    std::size_t valueOffset = 0;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t valueOffset = equals + 1;
    while (valueOffset < line.size() && IsBlank(line[valueOffset])) {
        ++valueOffset;
    }
    return KeyLine{Trim(line.substr(0, equals)), valueOffset};
}

// Where a key is, or would go: the section's header line, the key's line,
// and the section's last key line (its header when it has none). A new key
// goes after that line, so blank lines and comments before the next section
// stay with that section.
struct Place {
    std::optional<std::size_t> section;
    std::optional<std::size_t> key;
    std::size_t lastKey = 0;
};

// Only the first section of that name counts, for reading and writing alike.
Place Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
             std::string_view key) {
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
        if (const auto name = SectionName(line)) {
            if (place.section) {
                break;
            }
            if (SameName(*name, section)) {
                place.section = i;
                place.lastKey = i;
            }
            continue;
        }
        if (!place.section) {
            continue;
        }
        const auto parsed = ParseKeyLine(line);
        if (!parsed || Trim(line).front() == ';') {
            continue;
        }
        place.lastKey = i;
        if (!place.key && SameName(parsed->key, key)) {
            place.key = i;
        }
    }
    return place;
}

// A value as it stands after the "=": trailing blanks dropped, then one pair
// of matching quotes around it.
std::string_view Unquote(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// The text written after the "=": a value that reading would change (blanks
// at either end, or quotes around it) is put in quotes, which reading drops.
std::string Quoted(std::string_view value) {
    const bool blankEnds = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quotedAlready = Unquote(value).size() != value.size();
    if (!blankEnds && !quotedAlready) {
        return std::string(value);
    }
    // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on
    // "\"" + std::string.
    std::string quoted = "\"";
    quoted += value;
    quoted += '"';
    return quoted;
}

// The file's first line break, which new lines get too; LF in a file that
// has none yet.
std::string_view LineBreakOf(std::string_view text) {
    const std::size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos || text[at] == '\n') {
        return "\n";
    }
    return text.compare(at, 2, "\r\n") == 0 ? "\r\n" : "\r";
}

bool EndsWithLineBreak(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

bool HoldsInCp1251(std::string_view utf8) {
    return Cp1251ToUtf8(Utf8ToCp1251(utf8)) == utf8;
}

}  // namespace

ProfileFile::ProfileFile(std::string bytes)
    : bytes_(std::move(bytes)),
      legacy_(!IsValidUtf8(std::string_view(bytes_).substr(MarkLength(bytes_)))) {}

std::optional<ProfileFile> ProfileFile::Load(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return ProfileFile();
    }
    // A folder, a pipe (which would wait for a writer) or a device (which may
    // never end) is no settings file; nor is one far larger than any.
    if (ec || !fs::is_regular_file(status) || fs::file_size(path, ec) > kProfileFileLimit || ec) {
        return std::nullopt;
    }
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in.is_open()) {
            return std::nullopt;
        }
        // Read to the limit and a byte beyond: a file that grew meanwhile is
        // still refused.
        std::string bytes(kProfileFileLimit + 1, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (in.bad() || static_cast<std::size_t>(in.gcount()) > kProfileFileLimit) {
            return std::nullopt;
        }
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        return ProfileFile(std::move(bytes));
    } catch (const std::exception&) {
        return std::nullopt;  // a read error the library reports by throwing
    }
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const bool legacy = legacy_;
    const std::string sectionName = legacy ? Utf8ToCp1251(section) : std::string(section);
    const std::string keyName = legacy ? Utf8ToCp1251(key) : std::string(key);
    const std::vector<Line> lines = SplitLines(bytes_);
    const Place place = Locate(bytes_, lines, sectionName, keyName);
    if (!place.key) {
        return std::string(FirstCharacters(fallback, kProfileValueLimit));
    }
    const Line& line = lines[*place.key];
    const std::string_view text(bytes_.data() + line.begin, line.end - line.begin);
    const std::string_view raw = Unquote(text.substr(ParseKeyLine(text)->valueOffset));
    const std::string value = legacy ? Cp1251ToUtf8(raw) : std::string(raw);
    return std::string(FirstCharacters(value, kProfileValueLimit));
}

int ProfileFile::ReadInt(std::string_view section, std::string_view key, int fallback) const {
    // A key's value is never empty and never holds a line break; this marks
    // a missing key.
    constexpr std::string_view kMissing = "\n";
    const std::string value = ReadString(section, key, kMissing);
    if (value == kMissing || value.empty()) {
        return fallback;
    }
    long long number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            break;
        }
        number = std::min<long long>(number * 10 + (c - '0'), INT_MAX);
    }
    return static_cast<int>(number);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return false;
    }
    if (legacy_ && !(HoldsInCp1251(value) && HoldsInCp1251(section) && HoldsInCp1251(key))) {
        // Windows-1251 cannot hold the value: the whole file becomes UTF-8
        // (a mark at its start stays as it is).
        const std::size_t mark = MarkLength(bytes_);
        bytes_ = bytes_.substr(0, mark) + Cp1251ToUtf8(std::string_view(bytes_).substr(mark));
        legacy_ = false;
    }
    const bool legacy = legacy_;
    const auto encode = [legacy](std::string_view text) {
        return legacy ? Utf8ToCp1251(text) : std::string(text);
    };
    const std::string sectionName = encode(section);
    const std::string keyName = encode(key);
    const std::string written = Quoted(encode(value));
    const std::string lineBreak(LineBreakOf(bytes_));

    const std::vector<Line> lines = SplitLines(bytes_);
    const Place place = Locate(bytes_, lines, sectionName, keyName);
    if (place.key) {
        const Line& line = lines[*place.key];
        const std::string_view text(bytes_.data() + line.begin, line.end - line.begin);
        const std::size_t valueBegin = line.begin + ParseKeyLine(text)->valueOffset;
        bytes_.replace(valueBegin, line.end - valueBegin, written);
        return KeepEncoding();
    }
    const std::string keyLine = keyName + "=" + written + lineBreak;
    if (place.section) {
        const Line& last = lines[place.lastKey];
        // The file's last line may have no line break of its own.
        const std::string before = last.next == last.end ? lineBreak : std::string();
        bytes_.insert(last.next, before + keyLine);
        return KeepEncoding();
    }
    if (bytes_.size() > MarkLength(bytes_) && !EndsWithLineBreak(bytes_)) {
        bytes_ += lineBreak;
    }
    if (!lines.empty() && !Trim(std::string_view(bytes_).substr(
                                    lines.back().begin, lines.back().end - lines.back().begin))
                               .empty()) {
        bytes_ += lineBreak;  // a blank line between sections
    }
    bytes_ += '[';
    bytes_ += sectionName;
    bytes_ += ']';
    bytes_ += lineBreak;
    bytes_ += keyLine;
    return KeepEncoding();
}

bool ProfileFile::KeepEncoding() {
    const std::size_t mark = MarkLength(bytes_);
    const std::string_view text = std::string_view(bytes_).substr(mark);
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (legacy_ && !ascii && IsValidUtf8(text)) {
        // The write removed the last bytes that were no UTF-8: read again, the
        // file would be taken for UTF-8 and its other values would change.
        // It becomes the UTF-8 it then looks like.
        bytes_ = bytes_.substr(0, mark) + Cp1251ToUtf8(text);
        legacy_ = false;
    }
    return true;
}

bool ReplaceFileDurably(const std::string& path, std::string_view bytes) {
    // A folder, device or pipe in the settings file's place is left alone:
    // writing settings into a device would help nobody.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return false;
    }
    return !path.empty() && WriteFileReplacing(path, bytes) == WriteOutcome::Written;
}

}  // namespace tonvell::app
