// SPDX-License-Identifier: MIT
#pragma once
// Measurements on rendered sound: levels, onsets, ends and pitches, enough to
// tell from the samples which notes sounded when.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

namespace tonvell::test {

class Sound {
public:
    // Interleaved stereo samples, mixed to one channel.
    Sound(std::span<const std::int16_t> stereo, int sampleRate) : rate_(sampleRate) {
        for (std::size_t i = 0; i + 1 < stereo.size(); i += 2) {
            mono_.push_back((stereo[i] + stereo[i + 1]) / 2.0);
        }
    }

    double Seconds() const { return static_cast<double>(mono_.size()) / rate_; }

    // The largest absolute sample in [from, to) seconds.
    double Peak(double from, double to) const {
        double peak = 0;
        for (std::size_t i = Index(from); i < Index(to); ++i) {
            peak = std::max(peak, std::abs(mono_[i]));
        }
        return peak;
    }

    double Rms(double from, double to) const {
        double sum = 0;
        const std::size_t a = Index(from), b = Index(to);
        for (std::size_t i = a; i < b; ++i) {
            sum += mono_[i] * mono_[i];
        }
        return b > a ? std::sqrt(sum / static_cast<double>(b - a)) : 0;
    }

    // The first moment at or after from where a sample exceeds level.
    double FirstAbove(double level, double from) const {
        for (std::size_t i = Index(from); i < mono_.size(); ++i) {
            if (std::abs(mono_[i]) > level)
                return static_cast<double>(i) / rate_;
        }
        return Seconds();
    }

    // The first moment at or after from where the level over the next 5 ms
    // falls below level.
    double FirstQuietWindow(double level, double from) const {
        constexpr double kWindow = 0.005;
        for (double t = from; t + kWindow <= Seconds(); t += 0.001) {
            if (Rms(t, t + kWindow) < level)
                return t;
        }
        return Seconds();
    }

    // The fundamental in [from, to): the shortest lag whose autocorrelation
    // comes close to the strongest, so an octave below never wins.
    double Fundamental(double from, double to) const {
        const std::size_t a = Index(from), b = Index(to);
        const auto minLag = static_cast<std::size_t>(rate_ / 2000.0);
        const auto maxLag = static_cast<std::size_t>(rate_ / 50.0);
        std::vector<double> r(maxLag + 2, 0.0);
        for (std::size_t lag = minLag; lag <= maxLag + 1; ++lag) {
            for (std::size_t i = a; i + lag < b; ++i) {
                r[lag] += mono_[i] * mono_[i + lag];
            }
        }
        double best = 0;
        for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
            best = std::max(best, r[lag]);
        }
        for (std::size_t lag = minLag + 1; lag <= maxLag; ++lag) {
            if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
                // A parabola through the peak and its neighbours.
                const double shift =
                    0.5 * (r[lag - 1] - r[lag + 1]) / (r[lag - 1] - 2 * r[lag] + r[lag + 1]);
                return rate_ / (static_cast<double>(lag) + shift);
            }
        }
        return 0;
    }

    // The strength of frequency hz in [from, to), through a Hann window.
    double Magnitude(double hz, double from, double to) const {
        const std::size_t a = Index(from), b = Index(to);
        const double n = static_cast<double>(b - a);
        double re = 0, im = 0;
        for (std::size_t i = a; i < b; ++i) {
            const double k = static_cast<double>(i - a);
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * k / n);
            const double phase = 2 * std::numbers::pi * hz * k / rate_;
            re += w * mono_[i] * std::cos(phase);
            im += w * mono_[i] * std::sin(phase);
        }
        return std::hypot(re, im) / n;
    }

private:
    std::size_t Index(double seconds) const {
        const double i = std::max(0.0, seconds * rate_);
        return std::min(mono_.size(), static_cast<std::size_t>(i));
    }

    int rate_;
    std::vector<double> mono_;
};

// The equal-tempered frequency of MIDI key.
inline double KeyHz(int key) {
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

}  // namespace tonvell::test
