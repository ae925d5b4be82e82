// SPDX-License-Identifier: MIT
#pragma once
// Comparing two conversions of the same file that delivered their texts in
// different ways: everything but the event log and the listing must agree.

#include <string>

#include "convert/conversion.h"

namespace tonvell_test {

// Names the first part in which the outcomes differ; empty when they agree.
std::string OutcomeDifference(const tonvell::ConversionResult& actual,
                              const tonvell::ConversionResult& expected);

}  // namespace tonvell_test
