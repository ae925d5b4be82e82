// SPDX-License-Identifier: MIT
#pragma once
// The time grid of the picture's window: bar lines when the file gives a
// metre, else lines at whole seconds, thinned so that lines stay a few pixels
// apart at any zoom. Only the lines of the span asked for are visited, so a
// piece of millions of bars costs no more than one screen of them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convert/arrangement.h"

namespace tonvell::app {

class TimeGrid {
public:
    struct Line {
        double seconds = 0;
        bool strong = false;
        std::string label;  // empty when the line carries none at this zoom
    };

    TimeGrid() = default;
    explicit TimeGrid(const Arrangement& arrangement);

    // Visits the lines within [from, to] seconds at pxPerSecond.
    void Visit(double from, double to, double pxPerSecond,
               const std::function<void(const Line&)>& visit) const;
    bool HasBars() const { return !barSeconds_.empty(); }
    // The number of the bar (from 1) that holds the moment; 0 without bars.
    std::int64_t BarAt(double seconds) const;

private:
    void VisitBars(double from, double to, double pxPerSecond,
                   const std::function<void(const Line&)>& visit) const;
    void VisitSeconds(double from, double to, double pxPerSecond,
                      const std::function<void(const Line&)>& visit) const;

    std::vector<double> barSeconds_;
    double lastSeconds_ = 0;
};

}  // namespace tonvell::app
