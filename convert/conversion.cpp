// SPDX-License-Identifier: MIT
#include "convert/conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "convert/event_log.h"
#include "convert/midi_file.h"
#include "convert/midi_reader.h"
#include "convert/track_merge.h"
#include "platform/native_path.h"
#include "platform/prefaulted_allocator.h"
#include "platform/regular_file.h"

namespace tonvell {

namespace {

ConversionResult NotOpened(std::string reason) {
    ConversionResult result;
    result.status = ConversionResult::Status::NotOpened;
    result.failureReason = std::move(reason);
    result.sizeLine = "Файл не открыт";
    result.progressLine = "";
    return result;
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
    const auto fileSize = std::filesystem::file_size(PathFromUtf8(path), ec);
    if (!ec && std::filesystem::is_regular_file(PathFromUtf8(path), ec) &&
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

// Walks the merged events as they come from the merge, at the positions a
// merged track written out would give them.
class MergedWalk final : public MergedEventSink {
public:
    explicit MergedWalk(TrackWalker& walker) : walker_(walker) {}

    void Event(const MidiEvent& event, std::span<const std::uint8_t> track) override {
        walker_.Event(event, pos_, track);
        pos_ += static_cast<std::int64_t>(MergedSize(event));
    }
    std::int64_t End() const { return pos_; }

private:
    TrackWalker& walker_;
    std::int64_t pos_ = static_cast<std::int64_t>(midi::kTrackStart);
};

// Merges the tracks of a format-1 file and walks the merged events; the
// log gets the merge line first. Warnings met while merging go to
// mergeWarnings.
WalkOutcome WalkMergedTracks(std::span<const std::uint8_t> file, const WalkStages& stages,
                             WarningList& mergeWarnings) {
    const TrackChunks chunks = FindTrackChunks(file);
    stages.log.AddLine("Объединено треков: " + std::to_string(chunks.tracks.size()));
    stages.log.Reserve(file.size() / 3 * 2 + 2);
    TrackWalker walker(stages);
    MergedWalk walk(walker);
    MergeEvents(chunks, mergeWarnings, walk);
    if (!chunks.cutShort) {
        return walker.Finish(walk.End());
    }
    // A file cut short ends where the missing bytes would have begun, as a
    // single track cut short does.
    walker.CutShort(walk.End());
    return walker.Finish(walk.End() + chunks.missingBytes + 1);
}

}  // namespace

ConversionResult TooLargeResult(std::int64_t size) {
    ConversionResult result;
    result.status = ConversionResult::Status::TooLarge;
    result.sizeLine = TotalBytesText(size);
    result.inputBytes = size;
    result.progressLine = "Файл слишком большой";
    return result;
}

ConversionResult ConvertBytes(std::span<const std::uint8_t> file, std::string_view fileName,
                              const ConvertOptions& options) {
    const auto size = static_cast<std::int64_t>(file.size());
    if (size > kMaxInputBytes) {
        return TooLargeResult(size);
    }
    ConversionResult result;
    result.sizeLine = TotalBytesText(size);
    result.inputBytes = size;
    result.startsAsMidi = midi::StartsAsMidi(file);
    if (options.channels != nullptr) {
        *options.channels = SummarizeChannels(file);
    }
    WarningList mergeWarnings;  // met before the walk, so shown first
    WarningList warnings;
    ListingWriter listing;
    std::optional<ArrangementBuilder> arrangement;
    std::optional<ObservedCommands> observed;
    if (options.arrangement != nullptr) {
        *options.arrangement = Arrangement{};
        options.arrangement->fileName = ListingFileName(fileName);
        arrangement.emplace(*options.arrangement, options.choices);
        arrangement->Reserve(file.size());
        observed.emplace(listing, *arrangement);
    }
    ArrangementObserver* const observer = arrangement ? &*arrangement : nullptr;
    VoiceAllocator voices(observed ? static_cast<CommandSink&>(*observed) : listing, warnings,
                          options.choices);
    {
        EventLog log(options.eventLog, result.eventLog);
        log.AddLine(" ");
        if (file.size() < midi::kTrackStart) {
            // A file too short to hold a header converts to the bare frame.
            log.AddLine(kUnexpectedEnd);
            result.cutShort = true;
            listing.StartTime(0);
            if (observer != nullptr) {
                observer->Start(0, listing.DelayUnit());
            }
        } else {
            const MidiHeader header = ReportHeader(file, log);
            listing.StartTime(header.ticksPerQuarter);
            if (observer != nullptr) {
                observer->Start(header.ticksPerQuarter, listing.DelayUnit());
            }
            if (options.listing.Skips() && !observed) {
                listing.CountOnly();
            } else {
                // A command takes at least as many bytes of track as of block.
                listing.Reserve(file.size() + 16);
            }
            voices.Reset();
            const WalkStages stages{log,      listing,  voices,
                                    warnings, observer, observed ? &*observed : nullptr};
            const WalkOutcome walk =
                ShouldMerge(file) ? WalkMergedTracks(file, stages, mergeWarnings)
                                  : WalkTrack({file, static_cast<std::int64_t>(midi::kTrackStart) +
                                                         header.UnsignedTrackLength()},
                                              stages);
            result.progressLine = walk.progressLine;
            result.cutShort = walk.cutShort;
        }
    }
    result.statistics = listing.Finish(voices.Counters());
    if (listing.DelaysPlayedShort() > 0) {
        warnings.Add(Warning::DelayPlaysShort, listing.DelaysPlayedShort());
    }
    result.passedOverLine = PassedOverText(voices.Counters());
    if (observer != nullptr) {
        observer->Finish(listing.Now(), voices.Counters());
        options.arrangement->statistics = result.statistics;
    }
    DeliverListing(fileName, listing.Block(), options.listing, result.listing);
    mergeWarnings.Add(warnings);
    result.warnings = mergeWarnings.Take();
    return result;
}

ConversionResult Convert(const std::string& path, const ConvertOptions& options) {
    FileBytes bytes;
    std::int64_t size = 0;
    std::string reason;
    if (!ReadFile(path, kMaxInputBytes, bytes, size, reason)) {
        return NotOpened(std::move(reason));
    }
    if (size > kMaxInputBytes) {
        return TooLargeResult(size);
    }
    const std::string fileName = Utf8FromPath(PathFromUtf8(path).filename());
    return ConvertBytes(bytes, fileName, options);
}

}  // namespace tonvell
