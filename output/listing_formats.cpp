#include "output/listing_formats.h"

#include <algorithm>
#include <cctype>

#include "convert/byte_text.h"
#include "convert/cp1251.h"

namespace tonvell {

namespace {

// Calls f(line) for every line of Windows-1251 text, without its line break.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        f(line);
        if (last) break;
        start = end + 1;
    }
}

bool IsDataLine(std::string_view line) { return line.size() >= 4 && line.starts_with("DB"); }

// Calls f(h) for the position of every "h" before the line's first ";".
template <typename F>
void ForEachByteField(std::string_view line, F&& f) {
    const std::size_t stop = std::min(line.find(';'), line.size());
    for (std::size_t i = 0; i < stop; ++i) {
        if (line[i] == 'h') f(i);
    }
}

}  // namespace

std::string RenderInc(std::string_view text) {
    const std::string bytes = Utf8ToCp1251(text);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out.push_back('\r');
        out.push_back(bytes[i]);
    }
    return out;
}

std::string RenderZum(std::string_view text) {
    const std::string bytes = Utf8ToCp1251(text);
    std::string out;
    ForEachLine(bytes, [&](std::string_view line) {
        if (!IsDataLine(line)) return;
        ForEachByteField(line, [&](std::size_t h) { out.push_back(static_cast<char>(ByteFieldValue(line, h))); });
    });
    return out;
}

std::string RenderTxt(std::string_view text) {
    const std::string bytes = Utf8ToCp1251(text);
    std::string out;
    int constantsInRow = 0;  // runs across the whole file, not per line
    ForEachLine(bytes, [&](std::string_view line) {
        if (line.size() >= 3 && line[0] == ';') {
            out += "//";
            out += line.substr(1);
            out += "\r\n";
        } else if (line.size() >= 6 && line.starts_with("DWL ")) {
            out += "//";
            out += line.substr(4);
            out += "\r\n";
        } else if (IsDataLine(line)) {
            ForEachByteField(line, [&](std::size_t h) {
                // The digits are copied as typed, not validated or re-cased.
                out += "0x";
                out += line.substr(h - 2, 2);
                out += ',';
                if (++constantsInRow == 32) {
                    out += "\r\n";
                    constantsInRow = 0;
                }
            });
        }
    });
    return out;
}

ListingFileType WriterFor(int fileType, std::string_view fileName) {
    if (fileType >= 1 && fileType <= 3) {
        return static_cast<ListingFileType>(fileType);
    }
    const std::size_t dot = fileName.rfind('.');
    const std::size_t slash = fileName.find_last_of("/\\");
    std::string ext;
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        ext = fileName.substr(dot + 1);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    if (ext == "zum") return ListingFileType::Zum;
    if (ext == "txt") return ListingFileType::Txt;
    return ListingFileType::Inc;
}

std::string RenderListing(std::string_view text, ListingFileType type) {
    switch (type) {
        case ListingFileType::Zum:
            return RenderZum(text);
        case ListingFileType::Txt:
            return RenderTxt(text);
        case ListingFileType::Inc:
        case ListingFileType::AllFiles:
            break;
    }
    return RenderInc(text);
}

std::string JoinListing(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const auto& line : lines) total += line.size() + 1;
    std::string text;
    text.reserve(total);
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace tonvell
