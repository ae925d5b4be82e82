// SPDX-License-Identifier: MIT
#include "cli/options.h"

#include <string_view>

namespace tonvell::cli {

// --wav and --instrument are offered only where they work: a build without
// FluidSynth's headers (the Windows one) answers them with "not available".
#if TONVELL_CLI_HAS_WAV
#define TONVELL_WAV_USAGE                                                                      \
    "      --wav OUT.wav       render FILE (a MIDI file or an .inc listing) as the built-in\n" \
    "                          synthesizer plays it: 44.1 kHz 16-bit stereo WAV\n"             \
    "      --instrument TEXT   with --wav: the instrument box's text (default \"73 Flute\")\n"
#else
#define TONVELL_WAV_USAGE ""
#endif

// clang-format off
const char kUsage[] =
    "Usage: tonvell-cli [options] FILE...\n"
    "Converts Standard MIDI Files into ZUM note data.\n"
    "\n"
    "  -t, --type inc|zum|txt  output form: listing text, raw data block, or hex constants\n"
    "                          (default: from the output's extension, else inc)\n"
    "  -o, --output PATH       write the result to PATH (one input only)\n"
    "  -d, --output-dir DIR    write one file per input into DIR, named after the input\n"
    "      --log               write the event log to standard output instead of the listing\n"
    TONVELL_WAV_USAGE
    "      --svg OUT.svg       draw FILE's arrangement: every note against the six voices,\n"
    "                          cut and silent notes marked (an SVG picture for a browser;\n"
    "                          OUT.svg \"-\" is standard output)\n"
    "      --channels LIST     the MIDI channels played: numbers and ranges such as 1-9,\n"
    "                          1,2,5-8 or all (default 1-9); the others are passed over\n"
    "      --transpose N       shift every note by N semitones, -48 to 48 (default 0);\n"
    "                          a note shifted outside 0-127 is passed over\n"
    "      --keep new|old|high|low\n"
    "                          which notes sound when all six voices are busy: the new\n"
    "                          note takes a voice (new, the default), the sounding notes\n"
    "                          stay (old), the highest stay (high) or the lowest (low)\n"
    "  -q, --quiet             do not print the input report and statistics\n"
    "  -h, --help              show this help\n"
    "      --version           show the version\n"
    "\n"
    "Without -o or -d, a single input's result goes to standard output.\n"
    "\n"
    "Exit status:\n"
    "  0  every input was converted\n"
    "  1  an input could not be read or was refused (not a MIDI file, too large, or its\n"
    "     output would overwrite an input), or an output could not be written\n"
    "  2  usage error\n"
    "  3  every input was converted, but one was cut short (damaged or incomplete file):\n"
    "     what it held up to the cut was written\n";
// clang-format on

namespace {

std::optional<ListingFileType> TypeByName(const std::string& name) {
    if (name == "inc") {
        return ListingFileType::Inc;
    }
    if (name == "zum") {
        return ListingFileType::Zum;
    }
    if (name == "txt") {
        return ListingFileType::Txt;
    }
    return std::nullopt;
}

// Splits "--name=value" and "-xVALUE"; returns the option name.
std::string SplitInlineValue(const std::string& arg, std::optional<std::string>& value) {
    if (arg.starts_with("--")) {
        const auto eq = arg.find('=');
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
            return arg.substr(0, eq);
        }
        return arg;
    }
    if (arg.size() > 2) {
        value = arg.substr(2);
        return arg.substr(0, 2);
    }
    return arg;
}

std::string CheckCombination(const Options& o) {
    if (o.help || o.version) {
        return "";
    }
    if (o.inputs.empty()) {
        return "no input file given";
    }
    if (o.instrument && !o.wav) {
        return "--instrument goes with --wav";
    }
    if (o.svg) {
        if (o.inputs.size() > 1) {
            return "--svg draws one input";
        }
        if (o.output || o.outputDir || o.log || o.type || o.wav) {
            return "--svg cannot be used with -o, -d, --log, --type or --wav";
        }
        return "";
    }
    if (o.wav) {
        if (o.inputs.size() > 1) {
            return "--wav renders one input";
        }
        if (o.output || o.outputDir || o.log || o.type) {
            return "--wav cannot be used with -o, -d, --log or --type";
        }
        return "";
    }
    if (o.output && o.outputDir) {
        return "-o and -d cannot be used together";
    }
    if (o.output && o.inputs.size() > 1) {
        return "-o takes one input; use -d for several";
    }
    if (o.log && (o.output || o.outputDir)) {
        return "--log writes to standard output; it cannot be used with -o or -d";
    }
    if (!o.log && !o.output && !o.outputDir && o.inputs.size() > 1) {
        return "several inputs need -d DIR (standard output takes one)";
    }
    return "";
}

// How an option takes its value.
enum class Takes {
    Nothing,
    Text,      // any text, the empty one too
    FileName,  // a name: an empty one is a mistake in the calling script
               // (an unset variable), never a wish for standard output
};

struct OptionRow {
    std::string_view shortName;  // empty when there is none
    std::string_view longName;
    Takes takes;
    // Where the option goes: a switch sets flag, a value goes to value as it
    // is, or parse checks it and sets it (returning a usage error, or "").
    bool Options::*flag = nullptr;
    std::optional<std::string> Options::*value = nullptr;
    std::string (*parse)(Options& o, const std::string& value) = nullptr;
};

std::string ParseType(Options& o, const std::string& value) {
    o.type = TypeByName(value);
    return o.type ? "" : "unknown type '" + value + "' (use inc, zum or txt)";
}

// The note choices' errors name their option.
std::string ParseChannels(Options& o, const std::string& value) {
    const std::string error = ParseChannelList(value, o.choices.channels);
    return error.empty() ? "" : "--channels: " + error;
}

std::string ParseTransposition(Options& o, const std::string& value) {
    const std::string error = ParseTranspose(value, o.choices.transpose);
    return error.empty() ? "" : "--transpose: " + error;
}

std::string ParseKeep(Options& o, const std::string& value) {
    return KeepPolicyByName(value, o.choices.keep)
               ? ""
               : "--keep: '" + value +
                     "' is no choice of notes to keep (use new, old, high or low)";
}

// Every option: a new one is a row here and a field in Options.
const OptionRow kOptionRows[] = {
    {"-t", "--type", Takes::Text, nullptr, nullptr, ParseType},
    {"-o", "--output", Takes::FileName, nullptr, &Options::output},
    {"-d", "--output-dir", Takes::FileName, nullptr, &Options::outputDir},
    {"", "--wav", Takes::FileName, nullptr, &Options::wav},
    {"", "--instrument", Takes::Text, nullptr, &Options::instrument},
    {"", "--svg", Takes::FileName, nullptr, &Options::svg},
    {"", "--channels", Takes::Text, nullptr, nullptr, ParseChannels},
    {"", "--transpose", Takes::Text, nullptr, nullptr, ParseTransposition},
    {"", "--keep", Takes::Text, nullptr, nullptr, ParseKeep},
    {"", "--log", Takes::Nothing, &Options::log},
    {"-q", "--quiet", Takes::Nothing, &Options::quiet},
    {"-h", "--help", Takes::Nothing, &Options::help},
    {"", "--version", Takes::Nothing, &Options::version},
};

const OptionRow* FindOption(const std::string& name) {
    for (const OptionRow& row : kOptionRows) {
        if (name == row.longName || (!row.shortName.empty() && name == row.shortName)) {
            return &row;
        }
    }
    return nullptr;
}

// Applies the option arg (args[i]), taking its value from the next argument
// when it has none inline; returns a usage error, or "".
std::string ApplyOption(const std::vector<std::string>& args, std::size_t& i, Options& o) {
    const std::string& arg = args[i];
    std::optional<std::string> value;
    const std::string name = SplitInlineValue(arg, value);
    const OptionRow* row = FindOption(name);
    const bool takesValue = row != nullptr && row->takes != Takes::Nothing;
    if (!takesValue && value) {
        return name.starts_with("--") ? "option " + name + " takes no value"
                                      : "unknown option '" + arg + "'";
    }
    if (row == nullptr) {
        return "unknown option '" + arg + "'";
    }
    if (takesValue && !value) {
        if (i + 1 >= args.size()) {
            return "option " + name + " needs a value";
        }
        value = args[++i];
    }
    if (row->takes == Takes::FileName && value->empty()) {
        return "option " + name + " needs a file name, not an empty one";
    }
    if (row->flag != nullptr) {
        o.*row->flag = true;
    } else if (row->value != nullptr) {
        o.*row->value = *value;
    } else {
        return row->parse(o, *value);
    }
    return "";
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.size() < 2 || !arg.starts_with("-")) {
            r.options.inputs.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (r.error = ApplyOption(args, i, r.options); !r.error.empty()) {
            return r;
        }
    }
    r.error = CheckCombination(r.options);
    return r;
}

ListingFileType OutputType(const Options& options, const std::string& outputPath) {
    if (options.type) {
        return *options.type;
    }
    return FileTypeByExtension(outputPath);
}

}  // namespace tonvell::cli
