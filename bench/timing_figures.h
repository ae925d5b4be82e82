// SPDX-License-Identifier: MIT
#pragma once
// The figures of the playback timing benchmarks: each command's error
// against its ideal time, as the 50th and 99th percentile, the maximum and
// the drift at the end, and whether they meet the targets (p99 and drift
// within 1 ms, maximum within 3 ms).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tonvell::bench {

struct Figures {
    double p50 = 0, p99 = 0, max = 0, drift = 0;
    bool Met() const { return p99 <= 1.0 && std::abs(drift) <= 1.0 && max <= 3.0; }
};

// actual and ideal in ms on the same scale; fewer actual times than ideal
// ones miss every target.
inline Figures Measure(const std::vector<double>& actual, const std::vector<double>& ideal) {
    std::vector<double> errors;
    for (std::size_t i = 0; i < actual.size() && i < ideal.size(); ++i) {
        errors.push_back(std::abs(actual[i] - ideal[i]));
    }
    Figures f;
    if (errors.empty() || actual.size() < ideal.size()) {
        f.max = 1e9;
        return f;
    }
    // The drift: the median signed error of the last tenth of the piece, so
    // one late tick at the end does not pass for a drift.
    std::vector<double> tail;
    for (std::size_t i = actual.size() - std::max<std::size_t>(1, actual.size() / 10);
         i < actual.size(); ++i) {
        tail.push_back(actual[i] - ideal[i]);
    }
    std::nth_element(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(tail.size() / 2),
                     tail.end());
    f.drift = tail[tail.size() / 2];
    std::sort(errors.begin(), errors.end());
    f.p50 = errors[errors.size() / 2];
    f.p99 = errors[std::min(errors.size() - 1, errors.size() * 99 / 100)];
    f.max = errors.back();
    return f;
}

inline void PrintHeading(const char* first) {
    std::printf(
        "| %s | Commands | p50 [ms] | p99 [ms] | max [ms] | drift at end [ms] | Target |\n"
        "|:---|---:|---:|---:|---:|---:|:---|\n",
        first);
}

inline void Report(const char* name, const Figures& f, std::size_t commands) {
    std::printf("| %s | %zu | %.3f | %.3f | %.3f | %+.3f | %s |\n", name, commands, f.p50, f.p99,
                f.max, f.drift, f.Met() ? "met" : "MISSED");
    std::fflush(stdout);
}

}  // namespace tonvell::bench
