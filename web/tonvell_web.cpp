// SPDX-License-Identifier: MIT
// The page's entry points: the conversion, the three file forms and the
// arrangement picture, called from JavaScript through plain C functions.
// Results stay in this module's memory until the next call that makes them;
// the page copies them out by address and size.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "convert/text_delivery.h"
#include "output/arrangement_svg.h"
#include "output/listing_formats.h"

namespace {

// The texts of the last conversion, in the order of TextPart.
enum class TextPart { InputReport, Statistics, EventLog, Listing, Svg, Warnings, Count };

struct LastConversion {
    std::string texts[static_cast<int>(TextPart::Count)];
};

LastConversion last;
std::string rendered;  // the bytes of the last file form asked for

std::string& Text(TextPart part) {
    return last.texts[static_cast<int>(part)];
}

// Each warning once per line, with how often it occurred when more than once.
std::string WarningLines(const tonvell::ConversionResult& result) {
    std::string lines;
    for (const auto& [warning, count] : result.warnings) {
        lines += tonvell::WarningText(warning);
        if (count > 1) {
            lines += " (" + std::to_string(count) + ")";
        }
        lines += '\n';
    }
    if (result.cutShort) {
        lines += std::string(tonvell::kUnexpectedEnd) + '\n';
    }
    return lines;
}

// Keeps the texts of a result as the window shows them; returns its status:
// 0 converted, 1 refused.
int Keep(const tonvell::ConversionResult& r, const tonvell::Arrangement* arrangement) {
    const bool converted = r.status == tonvell::ConversionResult::Status::Converted;
    Text(TextPart::InputReport) = r.sizeLine + '\n' + r.progressLine.value_or(std::string());
    // The statistics as the window shows them: the three lines, and the notes
    // passed over for their channel or transposition when there were any.
    std::vector<std::string> statistics(r.statistics.begin(), r.statistics.end());
    if (!r.passedOverLine.empty()) {
        statistics.push_back(r.passedOverLine);
    }
    Text(TextPart::Statistics) = tonvell::JoinLines(statistics);
    Text(TextPart::EventLog) = tonvell::JoinLines(r.eventLog);
    Text(TextPart::Listing) = tonvell::JoinLines(r.listing);
    Text(TextPart::Svg) =
        converted && arrangement != nullptr ? tonvell::ArrangementSvg(*arrangement) : std::string();
    Text(TextPart::Warnings) = WarningLines(r);
    return converted ? 0 : 1;
}

bool ValidPart(int part) {
    return part >= 0 && part < static_cast<int>(TextPart::Count);
}

}  // namespace

extern "C" {

// What tonvell_convert makes besides the listing and the reports.
enum Parts { kEventLog = 1, kArrangement = 2 };

// Converts size bytes at bytes; fileName (UTF-8, NUL-terminated) goes into the
// listing; parts (Parts ORed) adds the event log and the arrangement picture.
// Returns the result's status: 0 converted, 1 refused.
int tonvell_convert(const std::uint8_t* bytes, std::size_t size, const char* fileName, int parts) {
    tonvell::Arrangement arrangement;
    const tonvell::ConvertOptions options{
        .eventLog = (parts & kEventLog) != 0 ? tonvell::TextDelivery::Collect()
                                             : tonvell::TextDelivery::Skip(),
        .arrangement = (parts & kArrangement) != 0 ? &arrangement : nullptr};
    return Keep(
        tonvell::ConvertBytes(std::span<const std::uint8_t>(bytes, size), fileName, options),
        (parts & kArrangement) != 0 ? &arrangement : nullptr);
}

// Refuses a file of size bytes, more than the largest converted, without
// reading it. Returns 1, the status of a refusal.
int tonvell_refuse_too_large(double size) {
    return Keep(tonvell::TooLargeResult(static_cast<std::int64_t>(size)), nullptr);
}

// The address and size of one text of the last conversion (UTF-8).
const char* tonvell_text(int part) {
    return ValidPart(part) ? Text(static_cast<TextPart>(part)).data() : nullptr;
}
std::size_t tonvell_text_size(int part) {
    return ValidPart(part) ? Text(static_cast<TextPart>(part)).size() : 0;
}

// Renders the listing text (UTF-8, as the listing box holds it) as a file of
// type 0 .inc, 1 .zum or 2 .txt; returns the size of the bytes, which
// tonvell_rendered gives.
std::size_t tonvell_render(const char* text, std::size_t size, int type) {
    const auto form = type == 1   ? tonvell::ListingFileType::Zum
                      : type == 2 ? tonvell::ListingFileType::Txt
                                  : tonvell::ListingFileType::Inc;
    rendered = tonvell::RenderListingFile(std::string_view(text, size), form);
    return rendered.size();
}
const char* tonvell_rendered() {
    return rendered.data();
}

// The largest file converted, for the page's own check before reading one.
int tonvell_max_input_bytes() {
    return static_cast<int>(tonvell::kMaxInputBytes);
}

}  // extern "C"
