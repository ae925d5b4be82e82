// SPDX-License-Identifier: MIT
#include "cli/messages.h"

#include <cstdio>

namespace tonvell::cli {

void Error(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

void Warnings(const std::string& input, const ConversionResult& result) {
    for (const auto& [warning, count] : result.warnings) {
        const std::string text(WarningText(warning));
        const std::string times = count > 1 ? " (" + std::to_string(count) + " times)" : "";
        std::fprintf(stderr, "warning: %s: %s%s\n", input.c_str(), text.c_str(), times.c_str());
    }
    if (result.cutShort) {
        std::fprintf(stderr, "warning: %s: %s\n", input.c_str(), kUnexpectedEnd);
    }
}

}  // namespace tonvell::cli
