// SPDX-License-Identifier: MIT
#include "playback/memory_view.h"

namespace tonvell::playback {

std::string MemoryView::OutputItem(int index) const {
    return index >= 0 && index < OutputCount() ? outputs[static_cast<std::size_t>(index)]
                                               : std::string();
}

std::string MemoryView::OutputText() const {
    return selected >= 0 ? OutputItem(selected) : typedOutput;
}

int MemoryView::LineCount() const {
    const int count = static_cast<int>(lines.size());
    return count > 0 && lines.back().empty() ? count - 1 : count;
}

std::string MemoryView::Line(int index) const {
    return index >= 0 && index < static_cast<int>(lines.size())
               ? lines[static_cast<std::size_t>(index)]
               : std::string();
}

bool MemoryView::Choose(const std::string& output) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i] == output) {
            selected = static_cast<int>(i);
            return true;
        }
    }
    selected = -1;
    typedOutput = output;
    return false;
}

void MemoryView::SetListing(std::string_view text) {
    // As in a text box, text ending in a line break has an empty last line.
    lines.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
}

}  // namespace tonvell::playback
