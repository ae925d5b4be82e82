#include "convert/conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "convert/midi_reader.h"
#include "convert/prefaulted_allocator.h"
#include "convert/regular_file.h"
#include "convert/track_merge.h"

namespace tonvell {

namespace {

std::string SizeLine(std::int64_t size) {
    return "Всего: " + std::to_string(size) + " байт";
}

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
    if (!options.listing)
        return ListingWriter::Form::None;
    // A streamed listing is kept as its data block, about a ninth of the text's
    // size, and turned into text piece by piece at the end.
    if (options.listingSink)
        return ListingWriter::Form::Block;
    return options.listingAsText ? ListingWriter::Form::Text : ListingWriter::Form::Lines;
}

// Every note or tempo command takes at least three bytes of track (delta time
// and two data bytes) and writes at most two listing lines, most of them 12
// bytes of text or less; reserving that keeps the listing from being copied as
// it grows.
void ReserveListing(ListingWriter& writer, std::size_t trackBytes) {
    switch (writer.KeptAs()) {
        case ListingWriter::Form::Text:
            writer.Text().reserve(trackBytes * 8 + 256);
            break;
        case ListingWriter::Form::Lines:
            writer.Lines().reserve(trackBytes / 3 * 2 + 8);
            break;
        case ListingWriter::Form::Block:
            writer.Block().reserve(trackBytes + 16);
            break;
        case ListingWriter::Form::None:
            break;
    }
}

// Runs walk(writer), which returns the voice counters, frames the listing and
// leaves it in the form the options ask for; returns the statistics.
template <typename Walk>
ListingWriter::Statistics WriteListing(const ConvertOptions& options, std::string_view fileName,
                                       std::size_t trackBytes, ConversionResult& result,
                                       Walk&& walk) {
    ListingWriter writer;
    writer.KeepAs(ListingFormOf(options));
    ReserveListing(writer, trackBytes);
    const ListingWriter::Statistics statistics = writer.Finish(fileName, walk(writer));
    if (writer.KeptAs() == ListingWriter::Form::Block) {
        WriteListingText(fileName, writer.Block(), options.listingSink,
                         options.listingCrLf ? LineBreak::CrLf : LineBreak::Lf);
    }
    result.listing = std::move(writer.Lines());
    result.listingText = std::move(writer.Text());
    return statistics;
}

// A file too short to hold a header converts to the bare frame.
void ConvertCutHeader(std::string_view fileName, const ConvertOptions& options,
                      ConversionResult& result) {
    result.eventLog = {" ", kUnexpectedEnd};
    result.cutShort = true;
    result.statistics = WriteListing(options, fileName, 0, result, [](ListingWriter& writer) {
        writer.StartTime(0);
        return VoiceCounters{};
    });
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A file's bytes, read whole.
using FileBytes = std::vector<std::uint8_t, PrefaultedAllocator<std::uint8_t>>;

// Reads at most limit + 1 bytes, so a file over the limit is known as such
// without being read whole. Returns false with reason on failure.
bool ReadFile(const std::string& path, std::int64_t limit, FileBytes& bytes, std::int64_t& size,
              std::string& reason) {
    if (path.empty()) {
        reason = "no file chosen";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFile(path, reason));
    if (!file) {
        return false;
    }
    std::error_code ec;
    const auto fileSize = std::filesystem::file_size(path, ec);
    if (!ec && std::filesystem::is_regular_file(path, ec) &&
        fileSize > static_cast<std::uintmax_t>(limit)) {
        size = static_cast<std::int64_t>(fileSize);
        return true;
    }
    // Room for one byte over the limit, or for a regular file its size and
    // one byte more: that byte shows that the file grew meanwhile.
    const auto most = static_cast<std::size_t>(limit) + 1;
    const std::size_t room = ec ? most : static_cast<std::size_t>(fileSize) + 1;
    bytes.resize(room);
    std::size_t got = std::fread(bytes.data(), 1, room, file.get());
    if (got == room && room < most) {
        bytes.resize(most);
        got += std::fread(bytes.data() + room, 1, most - room, file.get());
    }
    if (std::ferror(file.get())) {
        reason = std::strerror(errno);
        return false;
    }
    bytes.resize(got);
    size = static_cast<std::int64_t>(got);
    return true;
}

EventLogForm EventLogFormOf(const ConvertOptions& options) {
    if (!options.eventLog)
        return EventLogForm::None;
    if (options.eventLogSink || options.eventLogAsText)
        return EventLogForm::Text;
    return EventLogForm::Lines;
}

// Leaves the event log lines made so far in the form asked for: lines, one
// text, handed to the sink, or nothing. The lines in eventLog (the top line
// and the header report) come before those the walk wrote as text.
void FinishEventLog(const ConvertOptions& options, ConversionResult& result) {
    if (!options.eventLog) {
        result.eventLog.clear();
        return;
    }
    if (EventLogFormOf(options) != EventLogForm::Text)
        return;
    std::string head;
    for (const auto& line : result.eventLog) {
        head.append(line).push_back('\n');
    }
    result.eventLog.clear();
    result.eventLogText.insert(0, head);
    if (options.eventLogSink) {
        if (!result.eventLogText.empty())
            options.eventLogSink(result.eventLogText);
        result.eventLogText.clear();
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
    result.eventLog.push_back(" ");
    const MidiHeader header = ReportHeader(file, result.eventLog);
    // The track to walk: the file's own, or the merged track of a format-1 file.
    std::span<const std::uint8_t> track = file;
    std::int64_t trackEnd = std::int64_t{22} + header.trackLength;
    MergedTrack merged;
    if (ShouldMerge(file)) {
        merged = MergeTracks(file);
        result.eventLog.push_back("Объединено треков: " + std::to_string(merged.trackCount));
        result.messages = std::move(merged.messages);
        track = merged.bytes;
        trackEnd = static_cast<std::int64_t>(merged.bytes.size());
    }
    // A streamed event log starts with the lines so far.
    if (options.eventLogSink)
        FinishEventLog(options, result);
    const auto trackBytes = static_cast<std::size_t>(
        std::clamp<std::int64_t>(trackEnd, 22, static_cast<std::int64_t>(track.size())) - 22);
    result.statistics =
        WriteListing(options, fileName, trackBytes, result, [&](ListingWriter& writer) {
            VoiceAllocator voices;
            writer.StartTime(header.ticksPerQuarter);
            voices.Reset();
            WalkTrack(track, trackEnd, writer, voices, result, EventLogFormOf(options),
                      options.eventLogSink);
            return voices.Counters();
        });
    FinishEventLog(options, result);
    return result;
}

ConversionResult Convert(const std::string& path, const ConvertHooks& hooks,
                         const ConvertOptions& options) {
    if (hooks.rewind) {
        hooks.rewind();
    }
    FileBytes bytes;
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
