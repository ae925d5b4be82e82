// SPDX-License-Identifier: MIT
#pragma once
// Command-line options of tonvell-cli.

#include <optional>
#include <string>
#include <vector>

#include "convert/note_choices.h"
#include "output/listing_formats.h"

namespace tonvell::cli {

struct Options {
    std::optional<ListingFileType> type;    // from --type
    std::optional<std::string> output;      // -o
    std::optional<std::string> outputDir;   // -d
    std::optional<std::string> wav;         // --wav: render to this WAV file
    std::optional<std::string> instrument;  // --instrument, with --wav
    std::optional<std::string> svg;         // --svg: the arrangement picture to this file
    NoteChoices choices;                    // --channels, --transpose, --keep
    bool log = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> inputs;
};

struct ParseResult {
    Options options;
    std::string error;  // a usage error, empty when the line was understood
};

ParseResult ParseOptions(const std::vector<std::string>& args);

// The type for one output: --type, else the output name's extension, else inc.
ListingFileType OutputType(const Options& options, const std::string& outputPath);

extern const char kUsage[];

}  // namespace tonvell::cli
