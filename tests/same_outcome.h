#pragma once
// Checks that two conversions of the same file came to the same outcome:
// everything but the event log and the listing, whose forms differ between
// the ways of converting.

#include <gtest/gtest.h>

#include "convert/conversion.h"

namespace tonvell_test {

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
