// SPDX-License-Identifier: MIT
#include "app/arrangement_note_index.h"

#include <algorithm>

namespace tonvell::app {

NoteIndex::NoteIndex(const Arrangement& arrangement) {
    entries_.reserve(arrangement.notes.size());
    for (std::size_t i = 0; i < arrangement.notes.size(); ++i) {
        const ArrangedNote& n = arrangement.notes[i];
        entries_.push_back({n.start.seconds, std::max(n.start.seconds, n.end.seconds),
                            static_cast<std::int32_t>(i)});
    }
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.start < b.start; });
    blockEnd_.reserve(entries_.size() / kBlock + 1);
    for (std::size_t first = 0; first < entries_.size(); first += kBlock) {
        const std::size_t last = std::min(first + kBlock, entries_.size());
        double end = entries_[first].end;
        for (std::size_t i = first; i < last; ++i) {
            end = std::max(end, entries_[i].end);
        }
        blockEnd_.push_back(end);
    }
}

void NoteIndex::Visit(double from, double to,
                      const std::function<void(std::int32_t)>& visit) const {
    // Past the first entry that starts after `to`, nothing overlaps.
    const auto stop = std::upper_bound(entries_.begin(), entries_.end(), to,
                                       [](double t, const Entry& e) { return t < e.start; });
    const auto count = static_cast<std::size_t>(stop - entries_.begin());
    for (std::size_t block = 0; block * kBlock < count; ++block) {
        if (blockEnd_[block] < from) {
            continue;
        }
        const std::size_t last = std::min((block + 1) * kBlock, count);
        for (std::size_t i = block * kBlock; i < last; ++i) {
            if (entries_[i].end >= from) {
                visit(entries_[i].note);
            }
        }
    }
}

}  // namespace tonvell::app
