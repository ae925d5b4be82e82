// SPDX-License-Identifier: MIT
#include "app/arrangement_time_grid.h"

#include <algorithm>
#include <cmath>

#include "output/arrangement_picture.h"

namespace tonvell::app {

namespace {

constexpr std::size_t kMaxBars = 200000;  // as many as the SVG draws
constexpr double kMinLinePx = 6;
constexpr double kMinLabelPx = 36;

// The smallest power of two whose multiple of `unit` pixels reaches `px`.
std::int64_t PowerOfTwoStep(double unitPx, double px) {
    std::int64_t step = 1;
    while (static_cast<double>(step) * unitPx < px && step < (std::int64_t{1} << 50)) {
        step *= 2;
    }
    return step;
}

// Seconds between lines: 1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min,
// 1 h, then tenfold.
double SecondsStep(double pxPerSecond) {
    static constexpr double kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
    for (double step : kSteps) {
        if (step * pxPerSecond >= kMinLinePx) {
            return step;
        }
    }
    double step = 3600;
    while (step * pxPerSecond < kMinLinePx && step < 1e300) {
        step *= 10;
    }
    return step;
}

}  // namespace

TimeGrid::TimeGrid(const Arrangement& arrangement) {
    lastSeconds_ = arrangement.end.seconds;
    for (const ArrangedNote& n : arrangement.notes) {
        lastSeconds_ = std::max(lastSeconds_, n.end.seconds);
    }
    const std::vector<std::int64_t> bars = BarTicks(arrangement, kMaxBars);
    barSeconds_.reserve(bars.size());
    for (std::int64_t tick : bars) {
        barSeconds_.push_back(arrangement.SecondsAtTick(tick));
    }
}

void TimeGrid::Visit(double from, double to, double pxPerSecond,
                     const std::function<void(const Line&)>& visit) const {
    if (!(pxPerSecond > 0) || to < from) {
        return;
    }
    if (HasBars()) {
        VisitBars(from, to, pxPerSecond, visit);
    } else {
        VisitSeconds(from, to, pxPerSecond, visit);
    }
}

// Thinned by the piece's average bar, so that the lines shown do not change
// as the picture scrolls.
void TimeGrid::VisitBars(double from, double to, double pxPerSecond,
                         const std::function<void(const Line&)>& visit) const {
    const auto count = static_cast<std::int64_t>(barSeconds_.size());
    const double span = count > 1 ? barSeconds_.back() - barSeconds_.front() : lastSeconds_;
    const double barPx =
        span / static_cast<double>(std::max<std::int64_t>(count - 1, 1)) * pxPerSecond;
    const std::int64_t lineStep = PowerOfTwoStep(barPx, kMinLinePx);
    const std::int64_t strongStep = lineStep * 4;
    const std::int64_t labelStep = std::max(lineStep, PowerOfTwoStep(barPx, kMinLabelPx));
    const auto first = std::lower_bound(barSeconds_.begin(), barSeconds_.end(), from);
    std::int64_t i = std::max<std::int64_t>(first - barSeconds_.begin() - 1, 0);
    i -= i % lineStep;
    for (; i < count && barSeconds_[static_cast<std::size_t>(i)] <= to; i += lineStep) {
        Line line;
        line.seconds = barSeconds_[static_cast<std::size_t>(i)];
        line.strong = i % strongStep == 0;
        if (i % labelStep == 0) {
            line.label = std::to_string(i + 1);
        }
        visit(line);
    }
}

void TimeGrid::VisitSeconds(double from, double to, double pxPerSecond,
                            const std::function<void(const Line&)>& visit) const {
    const double step = SecondsStep(pxPerSecond);
    const double last = std::min(to, std::ceil(lastSeconds_));
    for (double k = std::max(std::floor(from / step), 0.0); k * step <= last; k += 1) {
        Line line;
        line.seconds = k * step;
        const bool fifth = std::fmod(k, 5) == 0;
        line.strong = fifth;
        if (fifth && line.seconds < 9.2e18) {
            line.label = ClockText(static_cast<std::int64_t>(line.seconds));
        }
        visit(line);
    }
}

std::int64_t TimeGrid::BarAt(double seconds) const {
    const auto after = std::upper_bound(barSeconds_.begin(), barSeconds_.end(), seconds);
    return after - barSeconds_.begin();
}

}  // namespace tonvell::app
