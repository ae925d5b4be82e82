// Fuzz target: converts arbitrary bytes as a MIDI file and writes the listing
// in all three file forms; the same bytes are also written as if they were a
// hand-edited listing. Besides the sanitizers' findings it checks that
//  - the listing's size line agrees with the bytes the data-block writer makes;
//  - the conversion's other forms (event log and listing as one text, either
//    left out) give exactly what the line forms give;
//  - the writers that hand their bytes over in pieces give exactly the bytes
//    of the whole-text writers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "convert/conversion.h"
#include "output/listing_formats.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// The count in the "DWL N ;size in bytes" line, or -1 when there is none.
long long SizeLineCount(const std::string& text) {
    const std::size_t at = text.find("\nDWL ");
    if (at == std::string::npos)
        return -1;
    return std::strtoll(text.c_str() + at + 5, nullptr, 10);
}

template <typename Render>
std::string Collect(Render&& render) {
    std::string bytes;
    render([&](std::string_view piece) { bytes += piece; });
    return bytes;
}

bool SameOutcome(const tonvell::ConversionResult& a, const tonvell::ConversionResult& b) {
    return a.status == b.status && a.sizeLine == b.sizeLine && a.progressLine == b.progressLine &&
           a.statistics == b.statistics && a.messages == b.messages && a.cutShort == b.cutShort;
}

void CheckWriters(std::string_view text) {
    using tonvell::ListingFileType;
    for (const auto type : {ListingFileType::Inc, ListingFileType::Zum, ListingFileType::Txt}) {
        Check(Collect([&](const tonvell::ByteSink& sink) {
                  tonvell::ListingRenderer(type, sink).Add(text);
              }) == tonvell::RenderListing(text, type));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const tonvell::ConversionResult result = tonvell::ConvertBytes(file, "fuzz.mid");
    const auto asText = tonvell::ConvertBytes(
        file, "fuzz.mid", {.eventLog = true, .eventLogAsText = true, .listingAsText = true});
    const auto noLog =
        tonvell::ConvertBytes(file, "fuzz.mid", {.eventLog = false, .listingAsText = true});
    const auto noListing = tonvell::ConvertBytes(
        file, "fuzz.mid", {.listing = false, .eventLogAsText = true, .listingAsText = true});
    std::string streamedLog;
    std::string streamedListing;
    tonvell::ConvertOptions streaming;
    streaming.eventLogSink = [&](std::string_view piece) { streamedLog += piece; };
    streaming.listingSink = [&](std::string_view piece) { streamedListing += piece; };
    const auto streamed = tonvell::ConvertBytes(file, "fuzz.mid", streaming);
    Check(SameOutcome(result, asText) && SameOutcome(result, noLog) &&
          SameOutcome(result, noListing) && SameOutcome(result, streamed));
    if (result.status != tonvell::ConversionResult::Status::Converted) {
        return 0;
    }
    const std::string text = tonvell::JoinListing(result.listing);
    const std::string log = tonvell::JoinListing(result.eventLog);
    Check(asText.listing.empty() && asText.eventLog.empty() && asText.listingText == text &&
          asText.eventLogText == log);
    Check(noLog.eventLog.empty() && noLog.eventLogText.empty() && noLog.listingText == text);
    Check(noListing.listing.empty() && noListing.listingText.empty() &&
          noListing.eventLogText == log);
    Check(streamedListing == text && streamedLog == log && streamed.listing.empty() &&
          streamed.listingText.empty() && streamed.eventLog.empty() &&
          streamed.eventLogText.empty());

    // A converted file always has its frame, and the data block holds exactly
    // the bytes the size line announces.
    const std::string zum = tonvell::RenderZum(text);
    Check(SizeLineCount(text) == static_cast<long long>(zum.size()) && !zum.empty() &&
          zum.back() == 0);
    CheckWriters(text);

    // The same bytes as a hand-edited listing: the writers take any text.
    CheckWriters(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
