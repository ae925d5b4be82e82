// tonvell-cli: converts MIDI files into listings, data blocks or constant lists
// for scripts and firmware builds.

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/options.h"
#include "convert/conversion.h"
#include "output/file_replace.h"
#include "output/listing_formats.h"

namespace fs = std::filesystem;
using tonvell::ConversionResult;

namespace {

constexpr char kProgram[] = "tonvell-cli";
constexpr char kVersion[] = "0.11";

void Error(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); }

// Writes what render hands to its sink to standard output; false on any error.
template <typename Render>
bool WriteStdout(Render&& render) {
    bool ok = true;
    render([&](std::string_view bytes) {
        ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    });
    return std::fflush(stdout) == 0 && ok;
}

void Report(const std::string& input, const ConversionResult& r, bool quiet) {
    for (const auto& message : r.messages) {
        std::fprintf(stderr, "warning: %s: %s\n", input.c_str(), message.c_str());
    }
    if (r.cutShort) {
        std::fprintf(stderr, "warning: %s: %s\n", input.c_str(), tonvell::kUnexpectedEnd);
    }
    if (quiet) return;
    std::fprintf(stderr, "%s: %s\n", input.c_str(), r.sizeLine.c_str());
    if (r.progressLine) std::fprintf(stderr, "%s: %s\n", input.c_str(), r.progressLine->c_str());
    for (const auto& line : r.statistics) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), line.c_str());
    }
}

// Tells why an input gave no output; false when it converted.
bool Refused(const std::string& input, const ConversionResult& r) {
    switch (r.status) {
        case ConversionResult::Status::NotOpened:
            Error(input + ": cannot read: " + r.failureReason);
            return true;
        case ConversionResult::Status::TooLarge:
            Error(input + ": " + r.progressLine.value_or("") + " (" + r.sizeLine + "; at most " +
                  std::to_string(tonvell::kMaxInputBytes) + ")");
            return true;
        case ConversionResult::Status::Converted:
            break;
    }
    return false;
}

std::string OutputPathFor(const tonvell::cli::Options& o, const std::string& input) {
    if (!o.output.empty()) return o.output;
    if (o.outputDir.empty()) return "";
    const auto type = o.type.value_or(tonvell::ListingFileType::Inc);
    fs::path name = fs::path(input).stem();
    name += ".";
    name += std::string(tonvell::cli::ExtensionOf(type));
    return (fs::path(o.outputDir) / name).string();
}

bool WriteResult(const tonvell::cli::Options& o, const std::string& input,
                 const ConversionResult& r) {
    if (o.log) {
        if (!WriteStdout([&](const tonvell::ByteSink& sink) { sink(r.eventLogText); })) {
            Error("cannot write the event log of " + input + " to standard output");
            return false;
        }
        return true;
    }
    const std::string path = OutputPathFor(o, input);
    const auto type = tonvell::cli::OutputType(o, path);
    const auto render = [&](const tonvell::ByteSink& sink) {
        tonvell::RenderListingTo(r.listingText, type, sink);
    };
    if (path.empty()) {
        if (!WriteStdout(render)) {
            Error("cannot write the result of " + input + " to standard output");
            return false;
        }
        return true;
    }
    std::string bytes;
    render([&](std::string_view piece) { bytes += piece; });
    switch (tonvell::WriteFileReplacing(path, bytes)) {
        case tonvell::WriteOutcome::Written:
            return true;
        case tonvell::WriteOutcome::CannotCreate:
            Error(input + ": Cannot create file " + path);
            return false;
        case tonvell::WriteOutcome::CannotWrite:
            Error(input + ": Cannot write file " + path);
            return false;
    }
    return false;
}

int Run(const tonvell::cli::Options& o) {
    if (!o.outputDir.empty()) {
        std::error_code ec;
        fs::create_directories(o.outputDir, ec);
        if (!fs::is_directory(o.outputDir, ec)) {
            Error("cannot use output folder " + o.outputDir);
            return 1;
        }
    }
    int status = 0;
    std::set<std::string> written;
    for (const auto& input : o.inputs) {
        const std::string path = OutputPathFor(o, input);
        const std::string key = path.empty() ? "" : fs::absolute(path).lexically_normal().string();
        if (!key.empty() && written.contains(key)) {
            Error(input + ": not converted: " + path + " was already written for another input");
            status = 1;
            continue;
        }
        // Only what gets written is built: the event log or the listing, and as
        // one text rather than a string per line.
        const ConversionResult r = tonvell::Convert(input, {},
                                                    {.eventLog = o.log,
                                                     .listing = !o.log,
                                                     .eventLogAsText = true,
                                                     .listingAsText = true});
        if (Refused(input, r)) {
            status = 1;
            continue;
        }
        // Only an input that gets written claims its output name.
        if (!key.empty()) written.insert(key);
        Report(input, r, o.quiet);
        if (!WriteResult(o, input, r)) status = 1;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = tonvell::cli::ParseOptions(args);
    if (!parsed.error.empty()) {
        Error(parsed.error);
        std::fprintf(stderr, "Try '%s --help'.\n", kProgram);
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(tonvell::cli::kUsage, stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("%s %s\n", kProgram, kVersion);
        return 0;
    }
    return Run(parsed.options);
}
