// SPDX-License-Identifier: MIT
#pragma once
// Views of a conversion's result shared by the core tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/conversion.h"
#include "tests/support/outcome.h"

namespace tonvell_test {

using Lines = std::vector<std::string>;

// The event log line of an end-of-track event.
inline constexpr char kEndOfTrackLine[] = "FF 2F 0байт xxxxxxxxxx";

// The text of each warning, once each, in the order first met.
inline Lines WarningTexts(const tonvell::ConversionResult& r) {
    Lines texts;
    for (const auto& met : r.warnings)
        texts.emplace_back(tonvell::WarningText(met.warning));
    return texts;
}

// The event log after its first head lines (the " " top line, the seven
// header lines and, for a merged file, the merge line).
inline Lines EventLinesAfter(const tonvell::ConversionResult& r, std::size_t head) {
    if (r.eventLog.size() < head)
        return {};
    return Lines(r.eventLog.begin() + static_cast<long>(head), r.eventLog.end());
}

// The data lines of a listing: everything between the five header lines and
// the end line.
inline Lines DataLines(const tonvell::ConversionResult& r) {
    if (r.listing.size() < 6)
        return {};
    return Lines(r.listing.begin() + 5, r.listing.end() - 1);
}

// Checks that two conversions of the same file came to the same outcome:
// everything but the event log and the listing, whose delivery differs
// between the ways of converting.
inline void ExpectSameOutcome(const tonvell::ConversionResult& actual,
                              const tonvell::ConversionResult& expected) {
    EXPECT_EQ(OutcomeDifference(actual, expected), "");
}

}  // namespace tonvell_test
