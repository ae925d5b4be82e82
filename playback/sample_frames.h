// SPDX-License-Identifier: MIT
#pragma once
// Times of the player's clock as sample frames of the rendered sound.

#include <chrono>
#include <cstdint>

namespace tonvell::playback {

inline constexpr int kRenderSampleRate = 44100;

// The frame at which time at falls, rounded to the nearest. Whole seconds
// and the rest are scaled apart: at times beyond 58 hours the nanoseconds
// times the rate would not fit 64 bits.
constexpr std::int64_t FrameAt(std::chrono::nanoseconds at) {
    constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
    const std::int64_t seconds = at.count() / kNanosPerSecond;
    const std::int64_t rest = at.count() % kNanosPerSecond;
    return seconds * kRenderSampleRate +
           (rest * kRenderSampleRate + kNanosPerSecond / 2) / kNanosPerSecond;
}

}  // namespace tonvell::playback
