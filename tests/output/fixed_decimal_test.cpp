// SPDX-License-Identifier: MIT
// The picture's hand-written decimal formatting against the standard
// library's std::to_chars, which it replaces in the program: the same text
// for every double, whatever the rounding case.

#include "output/fixed_decimal.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace tonvell {
namespace {

std::string Expected(double value, int decimals) {
    char text[400];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, end.ptr);
}

std::string Fixed(double value, int decimals) {
    std::string out = "x";  // appended to, not replaced
    AppendFixed(out, value, decimals);
    return out.substr(1);
}

TEST(FixedDecimalTest, WritesWhatToCharsWritesForChosenValues) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kTiny = std::numeric_limits<double>::denorm_min();
    const double values[] = {
        0.0, -0.0, 1.0, -1.0, 12.5, 1037.25,
        // Exact halves round to even, in both directions.
        0.5, 1.5, 2.5, 0.125, 0.375, 0.0625, 2.0005, 0.0005, -0.125,
        // Near halves whose binary value lies just above or below.
        0.005, 0.015, 0.045, 1.005, 2.675, 0.0015, 1e-3, 0.9995, 9.9995, 99.995,
        // Carries into the whole part.
        0.9999, 9.999, 99.9999, -0.9999,
        // Small negatives keep their sign.
        -0.001, -1e-300,
        // The extremes: subnormal, the largest whole number below 2^53 and
        // beyond, the largest double.
        kTiny, 4503599627370495.5, 9007199254740993.0, 1e17, 1.8446744073709552e19, 1e22, 3.4e38,
        kMax, -kMax, std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()};
    for (const double value : values) {
        for (int decimals = 0; decimals <= 3; ++decimals) {
            EXPECT_EQ(Fixed(value, decimals), Expected(value, decimals))
                << "value " << value << ", decimals " << decimals;
        }
    }
    EXPECT_EQ(Fixed(std::nan(""), 2), "nan");
    EXPECT_EQ(Fixed(-std::nan(""), 2), "-nan");
}

// Random bit patterns cover every exponent; values of the picture's own
// range (times and coordinates up to 10^7) cover the common case.
TEST(FixedDecimalTest, WritesWhatToCharsWritesForRandomValues) {
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> pictureRange(-1e3, 1e7);
    for (int i = 0; i < 60000; ++i) {
        double value = std::bit_cast<double>(random());
        if (i % 2 == 0) {
            value = pictureRange(random);
        }
        if (std::isnan(value)) {
            continue;
        }
        const int decimals = i % 4;
        ASSERT_EQ(Fixed(value, decimals), Expected(value, decimals))
            << "value " << value << ", decimals " << decimals;
    }
}

}  // namespace
}  // namespace tonvell
