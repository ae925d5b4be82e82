// SPDX-License-Identifier: MIT
#include "cli/render_wav.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/input_file.h"
#include "cli/messages.h"
#include "convert/conversion.h"
#include "convert/midi_file.h"
#include "output/file_replace.h"
#include "output/wav_file.h"
#include "platform/file_identity.h"
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
constexpr std::int64_t kLargestListingBytes = 16 << 20;

// Why FILE gave no listing; empty when it did.
using Refusal = std::string;

// The listing read, and whether it came from a MIDI file, cut short or not.
struct Input {
    Refusal refusal;
    bool cutShort = false;
    bool midi = false;
};

// A MIDI file becomes its listing, exactly as the window would show it;
// anything else is read as a listing, line by line as the listing box holds
// it. The input is read once (so a pipe works too) and whole, unless it is
// larger than any listing. A MIDI file's voices play the notes chosen.
Input ReadListing(const std::string& path, playback::MemoryView& view, const NoteChoices& choices) {
    const InputFile file(path, kLargestListingBytes);
    switch (file.Status()) {
        case InputFile::State::NotOpened:
            return {"cannot read: " + file.Reason()};
        case InputFile::State::TooLarge:
            return {"too large for a listing (over 16 MB)"};
        case InputFile::State::Read:
            break;
    }
    if (!midi::StartsAsMidi(file.Bytes())) {
        const auto bytes = file.Bytes();
        const MappedFileFaultReport report(kProgram, path);
        view.SetListing({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        return {};
    }
    ConversionResult r =
        ConvertInput(file, path, {.eventLog = TextDelivery::Skip(), .choices = choices}, kProgram);
    if (r.status == ConversionResult::Status::TooLarge) {
        return {r.progressLine.value_or("") + " (" + r.sizeLine + ")"};
    }
    Warnings(path, r);
    view.lines = std::move(r.listing);
    return {"", r.cutShort, true};
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

// The instrument box's text for the rendering; a warning when the
// synthesizer cannot take a program from it.
std::string InstrumentText(const Options& o) {
    std::string instrument = o.instrument.value_or(kDefaultInstrument);
    if (!playback::ProgramFromInstrumentText(instrument)) {
        std::fprintf(stderr,
                     "warning: instrument \"%s\" does not begin with a program number; the "
                     "synthesizer's own instrument sounds (piano)\n",
                     instrument.c_str());
    }
    return instrument;
}

// Reads the input into view and checks everything that can be known before
// a sound is made, so a refusal comes at once; the error that refuses it, or
// empty.
std::string ReadAndCheck(const std::string& input, const std::string& output,
                         const NoteChoices& choices, playback::MemoryView& view, Input& read) {
    const auto inputFile = IdentityOf(input);
    if (inputFile && IdentityOf(output) == inputFile) {
        return "not rendered: " + output + " is the input file, which it would overwrite";
    }
    read = ReadListing(input, view, choices);
    if (!read.refusal.empty()) {
        return input + ": " + read.refusal;
    }
    if (Refusal refusal = RefusalOfLength(playback::MeasureOffline(view), read.midi);
        !refusal.empty()) {
        return input + ": " + refusal;
    }
    if (const std::string problem = playback::ChosenSoundFontProblem(); !problem.empty()) {
        return "cannot render " + input + ": " + problem;
    }
    return "";
}

// Renders view's listing into the file at output, made before the work
// starts; false, with every reason told, when it was not written.
bool RenderInto(const std::string& input, const std::string& output, playback::MemoryView& view,
                WavWriter& wav) {
    if (wav.Begin(output) != WriteOutcome::Written) {
        Error(input + ": Cannot create file " + output + Reason(errno));
        return false;
    }
    const auto rendering = playback::RenderListing(
        view, [&](std::span<const std::int16_t> s) { return wav.Append(s); });
    if (!rendering.error.empty()) {
        Error("cannot render " + input + ": " + rendering.error);
        return false;
    }
    for (const auto& message : view.messages) {
        // An error message, built once per problem: plain + reads best.
        // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
        Error(input + ": " + message);
    }
    if (!view.messages.empty()) {
        return false;
    }
    if (wav.TooLong()) {
        Error(input + ": plays longer than " + std::to_string(kLongestMinutes) +
              " minutes; not rendered");
        return false;
    }
    if (wav.Commit() != WriteOutcome::Written) {
        Error(input + ": Cannot write file " + output + Reason(errno));
        return false;
    }
    return true;
}

}  // namespace

int RenderWav(const Options& o) {
    const std::string& input = o.inputs.front();
    const std::string& output = *o.wav;
    playback::MemoryView view;
    view.instrument = InstrumentText(o);
    Input read;
    if (const std::string refusal = ReadAndCheck(input, output, o.choices, view, read);
        !refusal.empty()) {
        Error(refusal);
        return 1;
    }
    WavWriter wav;
    if (!RenderInto(input, output, view, wav)) {
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
