// SPDX-License-Identifier: MIT
#pragma once
// The notes of an arrangement found by time: a window that paints only what
// is in view asks for the notes that overlap a span of seconds, without
// looking at every note of the piece on every paint.

#include <cstdint>
#include <functional>
#include <vector>

#include "convert/arrangement.h"

namespace tonvell::app {

class NoteIndex {
public:
    NoteIndex() = default;
    explicit NoteIndex(const Arrangement& arrangement);

    // Calls visit with the index (into the arrangement's notes) of every note
    // that overlaps [from, to] seconds, in order of their start; a note is
    // taken to last at least until its start.
    void Visit(double from, double to, const std::function<void(std::int32_t)>& visit) const;

private:
    struct Entry {
        double start = 0;
        double end = 0;
        std::int32_t note = 0;
    };
    // Entries sorted by start, cut into blocks of kBlock; a block knows the
    // latest end in it, so a long note makes only its own block be searched.
    static constexpr std::size_t kBlock = 64;
    std::vector<Entry> entries_;
    std::vector<double> blockEnd_;
};

}  // namespace tonvell::app
