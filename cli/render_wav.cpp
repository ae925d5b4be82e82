// SPDX-License-Identifier: MIT
#include "cli/render_wav.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/file_identity.h"
#include "convert/conversion.h"

#include "output/wav_file.h"
#include "playback/listing_rendering.h"
#include "playback/sound_port.h"

namespace tonvell::cli {

namespace {

using playback::OfflineRenderer;

constexpr char kDefaultInstrument[] = "73 Flute";
// The file is assembled in memory: an hour (635 MB) is far beyond any tune
// the instrument can hold, and still fits a desktop's memory.
constexpr int kLongestMinutes = 60;
constexpr std::uint64_t kLongestDataBytes = std::uint64_t{kLongestMinutes} * 60 *
                                            OfflineRenderer::kSampleRate *
                                            OfflineRenderer::kChannels * 2;
// A listing converted from the largest MIDI file accepted is a few megabytes.
constexpr std::size_t kLargestListingBytes = 16 << 20;

// Why FILE gave no listing; empty when it did.
using Refusal = std::string;

// The listing read, and whether the MIDI file it came from was cut short.
struct Input {
    Refusal refusal;
    bool cutShort = false;
};

bool LooksLikeMidi(const std::string& path, std::string_view bytes) {
    if (bytes.starts_with("MThd"))
        return true;
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".mid" || extension == ".midi";
}

// The whole file, read once (so a pipe works too), unless it cannot be read
// or is larger than any listing.
Refusal ReadInput(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot read: " + std::string(std::strerror(errno));
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kLargestListingBytes)
            return "too large for a listing (over 16 MB)";
    }
    if (in.bad())
        return "cannot read this file";
    return "";
}

// A MIDI file becomes its listing, exactly as the window would show it;
// anything else is read as a listing, line by line as the listing box holds
// it.
Input ReadListing(const std::string& path, playback::MemoryView& view) {
    std::string bytes;
    if (Refusal refusal = ReadInput(path, bytes); !refusal.empty())
        return {refusal};
    if (!LooksLikeMidi(path, bytes)) {
        view.SetListing(bytes);
        return {};
    }
    ConvertOptions options;
    options.eventLog = TextDelivery::Skip();
    ConversionResult r =
        ConvertBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                     std::filesystem::path(path).filename().string(), options);
    if (r.status == ConversionResult::Status::TooLarge)
        return {r.progressLine.value_or("") + " (" + r.sizeLine + ")"};
    for (const auto& [warning, count] : r.warnings) {
        const std::string times = count > 1 ? " (" + std::to_string(count) + " times)" : "";
        std::fprintf(stderr, "warning: %s: %s%s\n", path.c_str(),
                     std::string(WarningText(warning)).c_str(), times.c_str());
    }
    if (r.cutShort)
        std::fprintf(stderr, "warning: %s: %s\n", path.c_str(), kUnexpectedEnd);
    view.lines = std::move(r.listing);
    return {"", r.cutShort};
}

void Error(const char* program, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", program, text.c_str());
}

}  // namespace

int RenderWav(const Options& o, const char* program) {
    const std::string& input = o.inputs.front();
    const std::string& output = *o.wav;
    const std::string instrument = o.instrument.value_or(kDefaultInstrument);
    if (!playback::ProgramFromInstrumentText(instrument)) {
        std::fprintf(stderr,
                     "warning: instrument \"%s\" does not begin with a program number; the "
                     "synthesizer's own instrument sounds (piano)\n",
                     instrument.c_str());
    }
    const auto inputFile = IdentityOf(input);
    if (inputFile && IdentityOf(output) == inputFile) {
        Error(program, "not rendered: " + output + " is the input file, which it would overwrite");
        return 1;
    }
    playback::MemoryView view;
    view.instrument = instrument;
    const Input read = ReadListing(input, view);
    if (!read.refusal.empty()) {
        Error(program, input + ": " + read.refusal);
        return 1;
    }

    WavFile wav(OfflineRenderer::kSampleRate, OfflineRenderer::kChannels);
    wav.SetMaxDataBytes(kLongestDataBytes);
    const auto rendering = playback::RenderListing(
        view, [&](std::span<const std::int16_t> s) { return wav.Append(s); });
    if (!rendering.error.empty()) {
        Error(program, "cannot render " + input + ": " + rendering.error);
        return 1;
    }
    for (const auto& message : view.messages) {
        Error(program, input + ": " + message);
    }
    if (!view.messages.empty())
        return 1;
    if (rendering.sinkRefused) {
        Error(program, input + ": plays longer than " + std::to_string(kLongestMinutes) +
                           " minutes; not rendered");
        return 1;
    }
    if (rendering.playback.commandPairs == 0) {
        Error(program, input + ": holds no command to play (neither a MIDI file nor a listing)");
        return 1;
    }
    switch (wav.Save(output)) {
        case WriteOutcome::Written:
            break;
        case WriteOutcome::CannotCreate:
            Error(program, input + ": Cannot create file " + output);
            return 1;
        case WriteOutcome::CannotWrite:
            Error(program, input + ": Cannot write file " + output);
            return 1;
    }
    if (!o.quiet) {
        std::fprintf(stderr, "%s: %.2f s rendered into %s\n", input.c_str(),
                     static_cast<double>(wav.Frames()) / OfflineRenderer::kSampleRate,
                     output.c_str());
    }
    // As for a conversion: written, but from a damaged file.
    return read.cutShort ? 3 : 0;
}

}  // namespace tonvell::cli
