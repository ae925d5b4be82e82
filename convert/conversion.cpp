#include "convert/conversion.h"

#include <algorithm>
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

ListingWriter::Form ListingFormOf(const ConvertOptions& options) {
    if (!options.listing) {
        return ListingWriter::Form::None;
    }
    return options.listingAsText ? ListingWriter::Form::Text : ListingWriter::Form::Lines;
}

// A file too short to hold a header converts to the bare frame.
void ConvertCutHeader(std::string_view fileName, const ConvertOptions& options,
                      ConversionResult& result) {
    ListingWriter writer;
    writer.KeepAs(ListingFormOf(options));
    VoiceAllocator voices;
    writer.StartTime(0);
    voices.Reset();
    result.eventLog = {" ", kUnexpectedEnd};
    result.cutShort = true;
    result.statistics = writer.Finish(fileName, voices.Counters());
    result.listing = std::move(writer.Lines());
    result.listingText = std::move(writer.Text());
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

// Every note or tempo command takes at least three bytes of track (delta time
// and two data bytes) and writes at most two listing lines, most of them 12
// bytes of text or less; reserving that keeps the listing from being copied as
// it grows.
void ReserveListing(ListingWriter& writer, const ConvertOptions& options, std::size_t trackBytes) {
    switch (ListingFormOf(options)) {
        case ListingWriter::Form::Text:
            writer.Text().reserve(trackBytes * 8 + 256);
            break;
        case ListingWriter::Form::Lines:
            writer.Lines().reserve(trackBytes / 3 * 2 + 8);
            break;
        case ListingWriter::Form::None:
            break;
    }
}

// Leaves the event log in the form asked for: lines, one text, or nothing.
void FinishEventLog(const ConvertOptions& options, ConversionResult& result) {
    if (!options.eventLog) {
        result.eventLog.clear();
    } else if (options.eventLogAsText) {
        // The walk wrote its lines as text; the top line and the header report
        // come before them.
        std::string head;
        for (const auto& line : result.eventLog) {
            head.append(line).push_back('\n');
        }
        result.eventLogText.insert(0, head);
        result.eventLog.clear();
    }
}

}  // namespace

ConversionResult ConvertBytes(std::span<const std::uint8_t> file, std::string_view fileName,
                              const ConvertOptions& options) {
    const auto size = static_cast<std::int64_t>(file.size());
    if (size > kMaxInputBytes) {
        return TooLarge(size);
    }
    ConversionResult result;
    result.sizeLine = SizeLine(size);
    if (file.size() < kHeaderBytes) {
        ConvertCutHeader(fileName, options, result);
        FinishEventLog(options, result);
        return result;
    }
    const MidiHeader header = ReportHeader(file, result.eventLog);
    const EventLogForm logForm = !options.eventLog        ? EventLogForm::None
                                 : options.eventLogAsText ? EventLogForm::Text
                                                          : EventLogForm::Lines;
    ListingWriter writer;
    writer.KeepAs(ListingFormOf(options));
    VoiceAllocator voices;
    writer.StartTime(header.ticksPerQuarter);
    voices.Reset();
    if (ShouldMerge(file)) {
        MergedTrack merged = MergeTracks(file);
        result.eventLog.push_back("Объединено треков: " + std::to_string(merged.trackCount));
        result.messages = std::move(merged.messages);
        ReserveListing(writer, options, merged.bytes.size() - kHeaderBytes);
        WalkTrack(merged.bytes, static_cast<std::int64_t>(merged.bytes.size()), writer, voices,
                  result, logForm);
    } else {
        const std::int64_t trackEnd = std::int64_t{22} + header.trackLength;
        ReserveListing(writer, options,
                       static_cast<std::size_t>(std::clamp<std::int64_t>(trackEnd, 22, size) - 22));
        WalkTrack(file, trackEnd, writer, voices, result, logForm);
    }
    result.statistics = writer.Finish(fileName, voices.Counters());
    result.eventLog.insert(result.eventLog.begin(), " ");
    FinishEventLog(options, result);
    result.listing = std::move(writer.Lines());
    result.listingText = std::move(writer.Text());
    return result;
}

ConversionResult Convert(const std::string& path, const ConvertHooks& hooks,
                         const ConvertOptions& options) {
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
    return ConvertBytes(bytes, fileName, options);
}

}  // namespace tonvell
