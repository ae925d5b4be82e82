// SPDX-License-Identifier: MIT
// tonvell-cli: converts MIDI files into listings, data blocks or constant lists
// for scripts and firmware builds.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/input_file.h"
#include "cli/messages.h"
#include "cli/options.h"
#include "cli/render_wav.h"
#include "convert/conversion.h"
#include "convert/midi_file.h"
#include "output/arrangement_svg.h"
#include "output/file_replace.h"
#include "output/listing_formats.h"
#include "output/save_listing.h"
#include "platform/console.h"
#include "platform/file_identity.h"
#include "platform/interrupt_signals.h"
#include "platform/native_path.h"
#include "version.h"

namespace fs = std::filesystem;
using tonvell::ConversionResult;
using tonvell::cli::Error;
using tonvell::cli::kProgram;

namespace {

// Standard output as a sink that remembers whether every write went through.
class StdoutSink {
public:
    void operator()(std::string_view bytes) {
        ok_ = ok_ && std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    }
    // Flushes; false when anything written since the last call was lost.
    bool Done() {
        const bool ok = std::fflush(stdout) == 0 && ok_;
        ok_ = true;
        return ok;
    }

private:
    bool ok_ = true;
};

// The warnings, then (unless quiet) the input report and the statistics.
void Report(const std::string& input, const ConversionResult& r, bool quiet) {
    tonvell::cli::Warnings(input, r);
    if (quiet) {
        return;
    }
    std::fprintf(stderr, "%s: %s\n", input.c_str(), r.sizeLine.c_str());
    if (r.progressLine) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), r.progressLine->c_str());
    }
    for (const auto& line : r.statistics) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), line.c_str());
    }
    if (!r.passedOverLine.empty()) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), r.passedOverLine.c_str());
    }
}

// Tells why an input is not converted; false when it can be.
bool Refused(const std::string& input, const tonvell::cli::InputFile& file) {
    using State = tonvell::cli::InputFile::State;
    switch (file.Status()) {
        case State::NotOpened:
            Error(input + ": cannot read: " + file.Reason());
            return true;
        case State::TooLarge: {
            // In the command line's own words, not the window's report
            // line; a stream is read only one byte past the limit, so its
            // size is not known.
            const std::string limit = std::to_string(tonvell::kMaxInputBytes) + " bytes";
            Error(input + ": too large: " +
                  (file.Size() > tonvell::kMaxInputBytes + 1
                       ? std::to_string(file.Size()) + " bytes (at most " + limit + ")"
                       : "more than " + limit));
            return true;
        }
        case State::Read:
            break;
    }
    if (!tonvell::midi::StartsAsMidi(file.Bytes())) {
        Error(input + ": not a MIDI file (it does not begin with MThd); nothing written");
        return true;
    }
    return false;
}

std::string OutputPathFor(const tonvell::cli::Options& o, const std::string& input) {
    if (o.output) {
        return *o.output;
    }
    if (!o.outputDir) {
        return "";
    }
    const auto type = o.type.value_or(tonvell::ListingFileType::Inc);
    fs::path name = tonvell::PathFromUtf8(input).stem();
    name += ".";
    name += std::string(tonvell::ExtensionOf(type));
    return tonvell::Utf8FromPath(tonvell::PathFromUtf8(*o.outputDir) / name);
}

// Where one input's result goes: standard output (path empty), or the file at
// path, written whole once the conversion is complete.
class ResultOutput {
public:
    ResultOutput(const tonvell::cli::Options& o, std::string input, std::string path,
                 StdoutSink& out)
        : options_(o),
          input_(std::move(input)),
          path_(std::move(path)),
          stdout_(out),
          renderer_(tonvell::cli::OutputType(o, path_),
                    [this](std::string_view bytes) { Write(bytes); }) {}

    // The conversion options that send the listing here once converted.
    tonvell::ConvertOptions ConvertOptions() {
        using tonvell::TextDelivery;
        if (options_.log) {
            return {.eventLog =
                        TextDelivery::Stream([this](std::string_view lines) { stdout_(lines); }),
                    .listing = TextDelivery::Skip(),
                    .choices = options_.choices};
        }
        // CR LF line breaks as a type-1 file has them: the renderer then passes
        // an ASCII listing straight through.
        return {
            .eventLog = TextDelivery::Skip(),
            .listing = TextDelivery::Stream(
                [this](std::string_view lines) { renderer_.Add(lines); }, tonvell::LineBreak::CrLf),
            .choices = options_.choices};
    }

    // Finishes the output of a converted input; false, with the reason told,
    // when it could not be written.
    bool Finish() {
        if (options_.log) {
            return Told(stdout_.Done(),
                        "cannot write the event log of " + input_ + " to standard output");
        }
        if (path_.empty()) {
            return Told(stdout_.Done(),
                        "cannot write the result of " + input_ + " to standard output");
        }
        const auto outcome = tonvell::WriteFileReplacing(path_, fileBytes_);
        const int reason = errno;
        return Told(outcome == tonvell::WriteOutcome::Written,
                    input_ + ": " + tonvell::WriteFailureText(outcome, path_) + ": " +
                        std::strerror(reason));
    }

private:
    void Write(std::string_view bytes) {
        if (path_.empty()) {
            stdout_(bytes);
        } else {
            fileBytes_ += bytes;
        }
    }

    static bool Told(bool ok, const std::string& error) {
        if (!ok) {
            Error(error);
        }
        return ok;
    }

    const tonvell::cli::Options& options_;
    std::string input_;
    std::string path_;
    StdoutSink& stdout_;
    std::string fileBytes_;
    tonvell::ListingRenderer renderer_;
};

// The identities of every input, taken before anything is written.
std::vector<tonvell::cli::FileIdentity> InputIdentities(const std::vector<std::string>& inputs) {
    std::vector<tonvell::cli::FileIdentity> identities;
    for (const auto& input : inputs) {
        if (const auto identity = tonvell::cli::IdentityOf(input)) {
            identities.push_back(*identity);
        }
    }
    return identities;
}

// True when writing path would overwrite one of the files (by any name).
bool IsOneOf(const std::string& path, const std::vector<tonvell::cli::FileIdentity>& files) {
    const auto identity = tonvell::cli::IdentityOf(path);
    return identity && std::find(files.begin(), files.end(), *identity) != files.end();
}

// --svg: the arrangement picture of the one input, written whole once drawn.
int WriteSvg(const tonvell::cli::Options& o) {
    const std::string& input = o.inputs.front();
    // "-" is standard output, as nothing else goes there with --svg.
    const bool toStdout = *o.svg == "-";
    if (!toStdout && IsOneOf(*o.svg, InputIdentities(o.inputs))) {
        Error(input + ": not drawn: the output " + *o.svg +
              " is the input file, which it would overwrite");
        return 1;
    }
    const tonvell::cli::InputFile file(input, tonvell::kMaxInputBytes);
    if (Refused(input, file)) {
        return 1;
    }
    tonvell::Arrangement arrangement;
    const tonvell::ConvertOptions options{.eventLog = tonvell::TextDelivery::Skip(),
                                          .listing = tonvell::TextDelivery::Skip(),
                                          .arrangement = &arrangement,
                                          .choices = o.choices};
    const ConversionResult r = tonvell::cli::ConvertInput(file, input, options, kProgram);
    Report(input, r, o.quiet);
    if (toStdout) {
        StdoutSink out;
        out(tonvell::ArrangementSvg(arrangement));
        if (!out.Done()) {
            Error("cannot write the picture of " + input + " to standard output");
            return 1;
        }
        return r.cutShort ? 3 : 0;
    }
    const auto outcome = tonvell::WriteFileReplacing(*o.svg, tonvell::ArrangementSvg(arrangement));
    if (outcome != tonvell::WriteOutcome::Written) {
        const int reason = errno;
        Error(input + ": " + tonvell::WriteFailureText(outcome, *o.svg) + ": " +
              std::strerror(reason));
        return 1;
    }
    return r.cutShort ? 3 : 0;
}

// -d: the folder, made when missing; false (told) when it cannot be used.
bool OutputFolderReady(const tonvell::cli::Options& o) {
    if (!o.outputDir) {
        return true;
    }
    std::error_code ec;
    const fs::path folder = tonvell::PathFromUtf8(*o.outputDir);
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        Error("cannot use output folder " + *o.outputDir);
        return false;
    }
    return true;
}

// Converts the inputs one by one into their outputs, none of which may
// overwrite an input or an output written before.
class Conversions {
public:
    explicit Conversions(const tonvell::cli::Options& o)
        : options_(o), inputIdentities_(InputIdentities(o.inputs)) {}

    // The exit status once every input has been converted.
    int Run() {
        for (const auto& input : options_.inputs) {
            Convert(input);
        }
        // A build must notice a damaged input even though its output was written.
        return failed_ ? 1 : cutShort_ ? 3 : 0;
    }

private:
    // Why the output path for input is not written; empty when it may be.
    std::string Clash(const std::string& input, const std::string& path,
                      const std::string& key) const {
        // Error messages, built once per failed input: plain + reads best.
        if (!path.empty() && IsOneOf(path, inputIdentities_)) {
            // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
            return input + ": not converted: the output " + path +
                   " is an input file, which it would overwrite";
        }
        if (!key.empty() && (written_.contains(key) || IsOneOf(path, writtenFiles_))) {
            // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
            return input + ": not converted: " + path + " was already written for another input";
        }
        return "";
    }

    void Convert(const std::string& input) {
        const std::string path = OutputPathFor(options_, input);
        const std::string key =
            path.empty() ? ""
                         : tonvell::Utf8FromPath(
                               fs::absolute(tonvell::PathFromUtf8(path)).lexically_normal());
        if (const std::string clash = Clash(input, path, key); !clash.empty()) {
            Error(clash);
            failed_ = true;
            return;
        }
        const tonvell::cli::InputFile file(input, tonvell::kMaxInputBytes);
        if (Refused(input, file)) {
            failed_ = true;
            return;
        }
        // Only what gets written is built, the event log or the listing, and
        // it is written out in pieces rather than held whole.
        ResultOutput output(options_, input, path, out_);
        const ConversionResult r =
            tonvell::cli::ConvertInput(file, input, output.ConvertOptions(), kProgram);
        // Only an input that gets written claims its output name.
        if (!key.empty()) {
            written_.insert(key);
        }
        Report(input, r, options_.quiet);
        failed_ = !output.Finish() || failed_;
        if (const auto identity = path.empty() ? std::nullopt : tonvell::cli::IdentityOf(path)) {
            writtenFiles_.push_back(*identity);
        }
        cutShort_ = cutShort_ || r.cutShort;
    }

    const tonvell::cli::Options& options_;
    const std::vector<tonvell::cli::FileIdentity> inputIdentities_;
    std::set<std::string> written_;
    // The files written so far, by identity too: where names differ only in
    // case (Windows) or lead to one file through a link, the names differ.
    std::vector<tonvell::cli::FileIdentity> writtenFiles_;
    StdoutSink out_;
    bool failed_ = false;
    bool cutShort_ = false;
};

int Run(const tonvell::cli::Options& o) {
    if (o.svg) {
        return WriteSvg(o);
    }
    if (o.wav) {
        return tonvell::cli::RenderWav(o);
    }
    if (!OutputFolderReady(o)) {
        return 1;
    }
    return Conversions(o).Run();
}

}  // namespace

int main(int argc, char** argv) {
    tonvell::cli::PrepareStandardStreams();
    const std::vector<std::string> args = tonvell::cli::CommandLineArguments(argc, argv);
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
        std::printf("%s %s\n", kProgram, tonvell::kVersion);
        return 0;
    }
    tonvell::cli::CleanUpOnInterrupt(tonvell::RemoveUnfinishedTemporaryFile);
    return Run(parsed.options);
}
