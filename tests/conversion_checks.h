#pragma once
// Views of a conversion's result shared by the core tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/conversion.h"

namespace tonvell_test {

using Lines = std::vector<std::string>;

// The event log line of an end-of-track event.
inline constexpr char kEndOfTrackLine[] = "FF 2F 0байт xxxxxxxxxx";

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
// everything but the event log and the listing, whose forms differ between
// the ways of converting.
inline void ExpectSameOutcome(const tonvell::ConversionResult& actual,
                              const tonvell::ConversionResult& expected) {
    EXPECT_EQ(actual.status, expected.status);
    EXPECT_EQ(actual.failureReason, expected.failureReason);
    EXPECT_EQ(actual.sizeLine, expected.sizeLine);
    EXPECT_EQ(actual.progressLine, expected.progressLine);
    EXPECT_EQ(actual.statistics, expected.statistics);
    EXPECT_EQ(actual.messages, expected.messages);
    EXPECT_EQ(actual.cutShort, expected.cutShort);
}

}  // namespace tonvell_test
