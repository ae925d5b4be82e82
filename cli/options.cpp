// SPDX-License-Identifier: MIT
#include "cli/options.h"

namespace tonvell::cli {

const char kUsage[] =
    "Usage: tonvell-cli [options] FILE...\n"
    "Converts Standard MIDI Files into ZUM note data.\n"
    "\n"
    "  -t, --type inc|zum|txt  output form: listing text, raw data block, or hex constants\n"
    "                          (default: from the output's extension, else inc)\n"
    "  -o, --output PATH       write the result to PATH (one input only)\n"
    "  -d, --output-dir DIR    write one file per input into DIR, named after the input\n"
    "      --log               write the event log to standard output instead of the listing\n"
    "      --wav OUT.wav       render FILE (a MIDI file or an .inc listing) as the built-in\n"
    "                          synthesizer plays it: 44.1 kHz 16-bit stereo WAV\n"
    "      --instrument TEXT   with --wav: the instrument box's text (default \"73 Flute\")\n"
    "      --svg OUT.svg       draw FILE's arrangement: every note against the six voices,\n"
    "                          cut and silent notes marked (an SVG picture for a browser;\n"
    "                          OUT.svg \"-\" is standard output)\n"
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

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    Options& o = r.options;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.size() < 2 || !arg.starts_with("-")) {
            o.inputs.push_back(arg);
            continue;
        }
        std::optional<std::string> value;
        const std::string name = SplitInlineValue(arg, value);
        auto takeValue = [&]() -> std::optional<std::string> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        const bool takesValue = name == "-t" || name == "--type" || name == "-o" ||
                                name == "--output" || name == "-d" || name == "--output-dir" ||
                                name == "--wav" || name == "--instrument" || name == "--svg";
        if (!takesValue && value) {
            r.error = name.starts_with("--") ? "option " + name + " takes no value"
                                             : "unknown option '" + arg + "'";
            return r;
        }
        if (arg == "--") {
            onlyFiles = true;
        } else if (takesValue) {
            auto v = takeValue();
            if (!v) {
                r.error = "option " + name + " needs a value";
                return r;
            }
            // An empty name is a mistake in the calling script (an unset
            // variable), never a wish for standard output. (An empty
            // instrument text is the instrument list's empty item.)
            if (v->empty() && name != "-t" && name != "--type" && name != "--instrument") {
                r.error = "option " + name + " needs a file name, not an empty one";
                return r;
            }
            if (name == "-t" || name == "--type") {
                o.type = TypeByName(*v);
                if (!o.type) {
                    r.error = "unknown type '" + *v + "' (use inc, zum or txt)";
                    return r;
                }
            } else if (name == "-o" || name == "--output") {
                o.output = *v;
            } else if (name == "--wav") {
                o.wav = *v;
            } else if (name == "--svg") {
                o.svg = *v;
            } else if (name == "--instrument") {
                o.instrument = *v;
            } else {
                o.outputDir = *v;
            }
        } else if (arg == "--log") {
            o.log = true;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else {
            r.error = "unknown option '" + arg + "'";
            return r;
        }
    }
    r.error = CheckCombination(o);
    return r;
}

ListingFileType OutputType(const Options& options, const std::string& outputPath) {
    if (options.type) {
        return *options.type;
    }
    return FileTypeByExtension(outputPath);
}

}  // namespace tonvell::cli
