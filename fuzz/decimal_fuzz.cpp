// SPDX-License-Identifier: MIT
// Fuzz target: the picture's decimal formatter (output/fixed_decimal) against
// std::to_chars in fixed form, for any double and 0 to 3 decimals: the two
// must give the same text.
//
// Input: eight bytes of a double (little-endian), then a byte whose value
// modulo 4 is the count of decimals.

#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "output/fixed_decimal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) {
        return 0;
    }
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | data[i];
    }
    const double value = std::bit_cast<double>(bits);
    const int decimals = data[8] % 4;
    std::string ours;
    tonvell::AppendFixed(ours, value, decimals);
    // The largest double has 309 digits before the point.
    char theirs[400];
    const auto [end, error] =
        std::to_chars(theirs, theirs + sizeof theirs, value, std::chars_format::fixed, decimals);
    if (error != std::errc() || ours != std::string_view(theirs, end)) {
        std::fprintf(stderr, "%a with %d decimals: \"%s\", std::to_chars: \"%.*s\"\n", value,
                     decimals, ours.c_str(), static_cast<int>(end - theirs), theirs);
        std::abort();
    }
    return 0;
}
