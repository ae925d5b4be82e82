// SPDX-License-Identifier: MIT
#pragma once
// How a caller receives one of the conversion's two long texts, the event log
// and the listing: not at all, as lines kept in the result, or streamed to a
// sink in pieces as they are made.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tonvell {

// Receives a long text piece by piece, in order: whole lines, each with its
// line break.
using TextSink = std::function<void(std::string_view)>;

// Pieces of about this size are large enough that handing one on costs
// little and small enough to stay in cache, so memory stays flat.
inline constexpr std::size_t kTextPieceBytes = std::size_t{16} * 1024;

enum class LineBreak { Lf, CrLf };

inline constexpr std::string_view LineBreakText(LineBreak lineBreak) {
    return lineBreak == LineBreak::CrLf ? "\r\n" : "\n";
}

class TextDelivery {
public:
    enum class Mode {
        Skip,     // not made at all: saves most of its time and memory
        Collect,  // kept in the result as a list of lines
        Stream,   // handed to the sink in pieces of whole lines
    };

    static TextDelivery Skip() { return TextDelivery(Mode::Skip, nullptr, LineBreak::Lf); }
    static TextDelivery Collect() { return TextDelivery(Mode::Collect, nullptr, LineBreak::Lf); }
    static TextDelivery Stream(TextSink sink, LineBreak lineBreak = LineBreak::Lf) {
        return TextDelivery(Mode::Stream, std::move(sink), lineBreak);
    }

    Mode GetMode() const { return mode_; }
    bool Skips() const { return mode_ == Mode::Skip; }
    bool Collects() const { return mode_ == Mode::Collect; }
    bool Streams() const { return mode_ == Mode::Stream; }
    const TextSink& Sink() const { return sink_; }
    LineBreak Break() const { return lineBreak_; }

private:
    TextDelivery(Mode mode, TextSink sink, LineBreak lineBreak)
        : mode_(mode), sink_(std::move(sink)), lineBreak_(lineBreak) {}

    Mode mode_;
    TextSink sink_;
    LineBreak lineBreak_;
};

// Collected lines as one text, every line followed by "\n": the text a
// stream with LF breaks hands over.
inline std::string JoinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) {
        size += line.size() + 1;
    }
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace tonvell
