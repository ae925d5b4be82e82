// SPDX-License-Identifier: MIT
#pragma once
// The problems a conversion meets and goes on after: each has one exact text,
// shown to the user once per conversion however often it occurs.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tonvell {

enum class Warning {
    TimeFieldTooLong,  // a delta time of more than four bytes
    FieldTooLong,      // a meta or system-exclusive length of more than four bytes
    StackFull,         // the muted-note stack reached its limit
    DelayPlaysShort,   // a rest too long for one delay: it takes three delay bytes or more
};
inline constexpr std::size_t kWarningKinds = 4;

// The last line of the event log of a file that ends inside an event or
// before its tracks do; the command line warns with it too.
inline constexpr char kUnexpectedEnd[] = "Неожиданный конец файла";

// The warning's text, exactly as the user sees it.
std::string_view WarningText(Warning warning);

struct WarningCount {
    Warning warning;
    std::int64_t count = 0;
    friend bool operator==(const WarningCount&, const WarningCount&) = default;
};

// Collects the warnings of one conversion: each kind once, in the order first
// met, with how often it occurred.
class WarningList {
public:
    void Add(Warning warning, std::int64_t times = 1) {
        for (WarningCount& seen : counts_) {
            if (seen.warning == warning) {
                seen.count += times;
                return;
            }
        }
        counts_.push_back({warning, times});
    }
    // Adds another list's warnings after these.
    void Add(const WarningList& more) {
        for (const WarningCount& met : more.counts_) {
            Add(met.warning, met.count);
        }
    }
    const std::vector<WarningCount>& Counts() const { return counts_; }
    std::vector<WarningCount> Take() { return std::move(counts_); }

private:
    std::vector<WarningCount> counts_;
};

}  // namespace tonvell
