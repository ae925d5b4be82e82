// SPDX-License-Identifier: MIT
#pragma once
// Decimal text of a double with a fixed number of decimals, for the numbers
// in the arrangement picture (coordinates, seconds).

#include <string>

namespace tonvell {

// Appends value with exactly decimals (0 to 3) digits after a point, whatever
// the locale: the text std::to_chars writes in fixed form (printf's "%.*f" in
// the C locale), rounded half to even on the double's exact value ("inf",
// "-inf", "nan" and "-nan" for the values that are no number).
//
// Written here rather than taken from std::to_chars because the standard
// library's floating-point formatting links about 170 KB of tables and the
// maths library into the command line, and every conversion paid for loading
// them at start-up, also those that draw no picture.
void AppendFixed(std::string& out, double value, int decimals);

}  // namespace tonvell
