// SPDX-License-Identifier: MIT
#include "cli/render_wav.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "platform/file_identity.h"

#include "output/file_replace.h"
#include "output/wav_file.h"
#include "playback/listing_rendering.h"
#include "playback/offline_playback.h"
#include "playback/sound_port.h"
#include "playback/soundfont_lookup.h"

namespace tonvell::cli {

namespace {

using playback::OfflineRenderer;

constexpr char kDefaultInstrument[] = "73 Flute";
// An hour (635 MB) is far beyond any tune the instrument can hold.
constexpr int kLongestMinutes = 60;
constexpr std::uint64_t kLongestDataBytes = std::uint64_t{kLongestMinutes} * 60 *
                                            OfflineRenderer::kSampleRate *
                                            OfflineRenderer::kChannels * 2;
// The samples go to the file in pieces of about this size.
constexpr std::size_t kPieceBytes = 1 << 20;
// A listing converted from the largest MIDI file accepted is a few megabytes.
constexpr std::size_t kLargestListingBytes = 16 << 20;

// Why FILE gave no listing; empty when it did.
using Refusal = std::string;

// The listing read, and whether it came from a MIDI file, cut short or not.
struct Input {
    Refusal refusal;
    bool cutShort = false;
    bool midi = false;
};

bool LooksLikeMidi(const std::string& path, std::string_view bytes) {
    if (bytes.starts_with("MThd")) {
        return true;
    }
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
    if (!in) {
        return "cannot read: " + std::string(std::strerror(errno));
    }
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kLargestListingBytes) {
            return "too large for a listing (over 16 MB)";
        }
    }
    if (in.bad()) {
        return "cannot read this file";
    }
    return "";
}

// A MIDI file becomes its listing, exactly as the window would show it;
// anything else is read as a listing, line by line as the listing box holds
// it.
Input ReadListing(const std::string& path, playback::MemoryView& view) {
    std::string bytes;
    if (Refusal refusal = ReadInput(path, bytes); !refusal.empty()) {
        return {refusal};
    }
    if (!LooksLikeMidi(path, bytes)) {
        view.SetListing(bytes);
        return {};
    }
    ConvertOptions options;
    options.eventLog = TextDelivery::Skip();
    ConversionResult r =
        ConvertBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                     std::filesystem::path(path).filename().string(), options);
    if (r.status == ConversionResult::Status::TooLarge) {
        return {r.progressLine.value_or("") + " (" + r.sizeLine + ")"};
    }
    for (const auto& [warning, count] : r.warnings) {
        const std::string times = count > 1 ? " (" + std::to_string(count) + " times)" : "";
        std::fprintf(stderr, "warning: %s: %s%s\n", path.c_str(),
                     std::string(WarningText(warning)).c_str(), times.c_str());
    }
    if (r.cutShort) {
        std::fprintf(stderr, "warning: %s: %s\n", path.c_str(), kUnexpectedEnd);
    }
    view.lines = std::move(r.listing);
    return {"", r.cutShort, true};
}

void Error(const char* program, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", program, text.c_str());
}

// Why a listing that plays as measured is not rendered; empty when it is.
Refusal RefusalOfLength(const playback::OfflinePlayback& measured, bool fromMidi) {
    if (fromMidi && measured.notePairs == 0) {
        return "holds no note that the instrument plays (it plays the notes of channels 1 to 9)";
    }
    if (measured.commandPairs == 0) {
        return "holds no command to play (neither a MIDI file nor a listing)";
    }
    if (measured.end > std::chrono::minutes(kLongestMinutes)) {
        return "plays longer than " + std::to_string(kLongestMinutes) + " minutes; not rendered";
    }
    return "";
}

// The WAV file written as the samples come, through a temporary file that
// takes the target's place once it is complete.
class WavWriter {
public:
    // Begin's outcome; the reason of a failure is in errno.
    WriteOutcome Begin(const std::string& path) {
        const WriteOutcome begun = file_.Begin(path);
        if (begun == WriteOutcome::Written && !file_.Append(Header())) {
            failed_ = true;
        }
        return begun;
    }
    // False when the samples would make the file longer than the longest
    // allowed (nothing is written then) or the file did not take them.
    bool Append(std::span<const std::int16_t> samples) {
        if (dataBytes_ + piece_.size() + samples.size() * 2 > kLongestDataBytes) {
            tooLong_ = true;
            return false;
        }
        AppendSamples(piece_, samples);
        if (piece_.size() >= kPieceBytes) {
            Flush();
        }
        return !failed_;
    }
    // Writes the rest and the header's sizes, and puts the file in place.
    WriteOutcome Commit() {
        Flush();
        if (failed_ || !file_.WriteAt(0, Header())) {
            const int reason = failed_ ? reason_ : errno;
            file_.Abandon();
            errno = reason;
            return WriteOutcome::CannotWrite;
        }
        return file_.Commit();
    }
    bool TooLong() const { return tooLong_; }
    std::uint64_t Frames() const {
        return dataBytes_ / (2 * std::uint64_t{OfflineRenderer::kChannels});
    }

private:
    std::string Header() const {
        return WavHeader(OfflineRenderer::kSampleRate, OfflineRenderer::kChannels,
                         static_cast<std::uint32_t>(dataBytes_));
    }
    void Flush() {
        if (piece_.empty() || failed_) {
            return;
        }
        if (!file_.Append(piece_)) {
            failed_ = true;
            reason_ = errno;
        }
        dataBytes_ += piece_.size();
        piece_.clear();
    }

    FileReplacement file_;
    std::string piece_;
    std::uint64_t dataBytes_ = 0;
    bool failed_ = false;
    bool tooLong_ = false;
    int reason_ = 0;
};

std::string Reason(int error) {
    return error != 0 ? std::string(": ") + std::strerror(error) : std::string();
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

    // The length is known before any sound is made, and the target is made
    // before the work too: a refusal comes at once.
    if (Refusal refusal = RefusalOfLength(playback::MeasureOffline(view), read.midi);
        !refusal.empty()) {
        Error(program, input + ": " + refusal);
        return 1;
    }
    if (const std::string problem = playback::ChosenSoundFontProblem(); !problem.empty()) {
        Error(program, "cannot render " + input + ": " + problem);
        return 1;
    }
    WavWriter wav;
    if (wav.Begin(output) != WriteOutcome::Written) {
        Error(program, input + ": Cannot create file " + output + Reason(errno));
        return 1;
    }
    const auto rendering = playback::RenderListing(
        view, [&](std::span<const std::int16_t> s) { return wav.Append(s); });
    if (!rendering.error.empty()) {
        Error(program, "cannot render " + input + ": " + rendering.error);
        return 1;
    }
    for (const auto& message : view.messages) {
        // An error message, built once per problem: plain + reads best.
        // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
        Error(program, input + ": " + message);
    }
    if (!view.messages.empty()) {
        return 1;
    }
    if (wav.TooLong()) {
        Error(program, input + ": plays longer than " + std::to_string(kLongestMinutes) +
                           " minutes; not rendered");
        return 1;
    }
    if (wav.Commit() != WriteOutcome::Written) {
        Error(program, input + ": Cannot write file " + output + Reason(errno));
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
