// SPDX-License-Identifier: MIT
// Fuzz target: converts arbitrary bytes as a MIDI file and writes the listing
// in all three file forms; the same bytes are also written as if they were a
// hand-edited listing. Besides the sanitizers' findings it checks that
//  - the listing's size line agrees with the bytes the data-block writer makes;
//  - the conversion's other deliveries (event log and listing streamed with
//    either line break, either skipped) give exactly what the lines give;
//  - the writers that hand their bytes over in pieces give exactly the bytes
//    of the whole-text writers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "output/listing_formats.h"
#include "tests/support/outcome.h"

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
    return tonvell_test::OutcomeDifference(a, b).empty();
}

// The lines as a stream with that line break hands them over.
std::string Joined(const std::vector<std::string>& lines, tonvell::LineBreak lineBreak) {
    std::string text;
    for (const auto& line : lines)
        text.append(line).append(tonvell::LineBreakText(lineBreak));
    return text;
}

void CheckWriters(std::string_view text) {
    using tonvell::ListingFileType;
    for (const auto type : {ListingFileType::Inc, ListingFileType::Zum, ListingFileType::Txt}) {
        Check(Collect([&](const tonvell::ByteSink& sink) {
                  tonvell::ListingRenderer(type, sink).Add(text);
              }) == tonvell::RenderListingFile(text, type));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tonvell::TextDelivery;
    const std::span<const std::uint8_t> file(data, size);
    const tonvell::ConversionResult result = tonvell::ConvertBytes(file, "fuzz.mid");
    const auto skipped = tonvell::ConvertBytes(
        file, "fuzz.mid", {.eventLog = TextDelivery::Skip(), .listing = TextDelivery::Skip()});
    Check(SameOutcome(result, skipped) && skipped.eventLog.empty() && skipped.listing.empty());
    for (const auto lineBreak : {tonvell::LineBreak::Lf, tonvell::LineBreak::CrLf}) {
        std::string streamedLog;
        std::string streamedListing;
        const auto streamed = tonvell::ConvertBytes(
            file, "fuzz.mid",
            {.eventLog = TextDelivery::Stream([&](std::string_view piece) { streamedLog += piece; },
                                              lineBreak),
             .listing = TextDelivery::Stream(
                 [&](std::string_view piece) { streamedListing += piece; }, lineBreak)});
        Check(SameOutcome(result, streamed) && streamed.eventLog.empty() &&
              streamed.listing.empty());
        Check(streamedLog == Joined(result.eventLog, lineBreak) &&
              streamedListing == Joined(result.listing, lineBreak));
    }
    if (result.status != tonvell::ConversionResult::Status::Converted) {
        return 0;
    }
    const std::string text = tonvell::JoinLines(result.listing);

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
