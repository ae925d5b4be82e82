// SPDX-License-Identifier: MIT
#pragma once
// What the command line tells on standard error, in one form for every
// option: errors as "tonvell-cli: TEXT", a conversion's warnings as
// "warning: INPUT: TEXT".

#include <string>

#include "convert/conversion.h"

namespace tonvell::cli {

inline constexpr char kProgram[] = "tonvell-cli";

// "tonvell-cli: TEXT".
void Error(const std::string& text);

// Each warning of the conversion of input once, with how often it occurred
// when more than once, then the unexpected end of a file cut short.
void Warnings(const std::string& input, const ConversionResult& result);

}  // namespace tonvell::cli
