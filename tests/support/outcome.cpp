// SPDX-License-Identifier: MIT
#include "tests/support/outcome.h"

namespace tonvell_test {

std::string OutcomeDifference(const tonvell::ConversionResult& actual,
                              const tonvell::ConversionResult& expected) {
    if (actual.status != expected.status)
        return "status";
    if (actual.failureReason != expected.failureReason)
        return "failure reason: " + actual.failureReason + " / " + expected.failureReason;
    if (actual.sizeLine != expected.sizeLine)
        return "size line: " + actual.sizeLine + " / " + expected.sizeLine;
    if (actual.progressLine != expected.progressLine) {
        return "progress line: " + actual.progressLine.value_or("(none)") + " / " +
               expected.progressLine.value_or("(none)");
    }
    if (actual.statistics != expected.statistics)
        return "statistics: " + actual.statistics[0] + " / " + expected.statistics[0];
    if (actual.warnings != expected.warnings)
        return "warnings";
    if (actual.cutShort != expected.cutShort)
        return "cut short";
    return "";
}

}  // namespace tonvell_test
