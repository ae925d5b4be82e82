// SPDX-License-Identifier: MIT
#pragma once
// The event log as the conversion writes it: line by line, delivered as the
// caller asked (kept as lines, streamed in pieces, or not made at all).

#include <string>
#include <string_view>
#include <vector>

#include "convert/text_delivery.h"

namespace tonvell {

class EventLog {
public:
    // Collected lines go to lines.
    EventLog(const TextDelivery& delivery, std::vector<std::string>& lines);
    ~EventLog() { Flush(); }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    bool Skipped() const { return mode_ == TextDelivery::Mode::Skip; }

    // Room for about this many more lines.
    void Reserve(std::size_t lines);

    // Adds one line that append(std::string&) writes at the end of the string
    // it is given; append is not called when the log is skipped.
    template <typename Append>
    void Add(Append&& append) {
        if (mode_ == TextDelivery::Mode::Collect) {
            std::string line;
            append(line);
            lines_.push_back(std::move(line));
        } else if (mode_ == TextDelivery::Mode::Stream) {
            append(piece_);
            if (crLf_) {
                piece_.push_back('\r');
            }
            piece_.push_back('\n');
            if (piece_.size() >= kTextPieceBytes) {
                Flush();
            }
        }
    }
    void AddLine(std::string_view line) {
        Add([line](std::string& out) { out.append(line); });
    }

    // Hands what a stream has gathered to its sink.
    void Flush();

private:
    const TextDelivery& delivery_;
    // The delivery's choice, kept here: it is asked for every line.
    const TextDelivery::Mode mode_;
    const bool crLf_;
    std::vector<std::string>& lines_;
    std::string piece_;
};

}  // namespace tonvell
