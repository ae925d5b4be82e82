#include "convert/conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "convert/midi_reader.h"
#include "convert/track_merge.h"

namespace tonvell {

namespace {

std::string SizeLine(std::int64_t size) { return "Всего: " + std::to_string(size) + " байт"; }

ConversionResult NotOpened(std::string reason) {
    ConversionResult result;
    result.status = ConversionResult::Status::NotOpened;
    result.failureReason = std::move(reason);
    result.sizeLine = "Файл не открыт";
    result.progressLine = "";
    return result;
}

ConversionResult TooLarge(std::int64_t size) {
    ConversionResult result;
    result.status = ConversionResult::Status::TooLarge;
    result.sizeLine = SizeLine(size);
    result.progressLine = "Файл слишком большой";
    return result;
}

// A file too short to hold a header converts to the bare frame.
void ConvertCutHeader(std::string_view fileName, ConversionResult& result) {
    ListingWriter writer;
    VoiceAllocator voices;
    writer.StartTime(0);
    voices.Reset();
    result.eventLog = {" ", kUnexpectedEnd};
    result.cutShort = true;
    result.statistics = writer.Finish(fileName, voices.Counters());
    result.listing = std::move(writer.Lines());
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads at most limit + 1 bytes, so a file over the limit is known as such
// without being read whole. Returns false with reason on failure.
bool ReadFile(const std::string& path, std::int64_t limit, std::vector<std::uint8_t>& bytes,
              std::int64_t& size, std::string& reason) {
    if (path.empty()) {
        reason = "no file chosen";
        return false;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        reason = std::strerror(EISDIR);
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    const auto fileSize = std::filesystem::file_size(path, ec);
    if (!ec && std::filesystem::is_regular_file(path, ec) &&
        fileSize > static_cast<std::uintmax_t>(limit)) {
        size = static_cast<std::int64_t>(fileSize);
        return true;
    }
    bytes.resize(static_cast<std::size_t>(limit) + 1);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (std::ferror(file.get())) {
        reason = std::strerror(errno);
        return false;
    }
    bytes.resize(got);
    size = static_cast<std::int64_t>(got);
    return true;
}

}  // namespace

ConversionResult ConvertBytes(std::span<const std::uint8_t> file, std::string_view fileName) {
    const auto size = static_cast<std::int64_t>(file.size());
    if (size > kMaxInputBytes) {
        return TooLarge(size);
    }
    ConversionResult result;
    result.sizeLine = SizeLine(size);
    if (file.size() < kHeaderBytes) {
        ConvertCutHeader(fileName, result);
        return result;
    }
    const MidiHeader header = ReportHeader(file, result.eventLog);
    ListingWriter writer;
    VoiceAllocator voices;
    writer.StartTime(header.ticksPerQuarter);
    voices.Reset();
    if (ShouldMerge(file)) {
        MergedTrack merged = MergeTracks(file);
        result.eventLog.push_back("Объединено треков: " + std::to_string(merged.trackCount));
        result.messages = std::move(merged.messages);
        WalkTrack(merged.bytes, static_cast<std::int64_t>(merged.bytes.size()), writer, voices,
                  result);
    } else {
        const std::int64_t trackEnd = std::int64_t{22} + header.trackLength;
        WalkTrack(file, trackEnd, writer, voices, result);
    }
    result.statistics = writer.Finish(fileName, voices.Counters());
    result.eventLog.insert(result.eventLog.begin(), " ");
    result.listing = std::move(writer.Lines());
    return result;
}

ConversionResult Convert(const std::string& path, const ConvertHooks& hooks) {
    if (hooks.rewind) {
        hooks.rewind();
    }
    std::vector<std::uint8_t> bytes;
    std::int64_t size = 0;
    std::string reason;
    if (!ReadFile(path, kMaxInputBytes, bytes, size, reason)) {
        return NotOpened(std::move(reason));
    }
    if (size > kMaxInputBytes) {
        return TooLarge(size);
    }
    const std::string fileName = std::filesystem::path(path).filename().string();
    return ConvertBytes(bytes, fileName);
}

}  // namespace tonvell
