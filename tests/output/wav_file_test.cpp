// SPDX-License-Identifier: MIT
// WAV files as the renderer saves them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "output/wav_file.h"
#include "tests/support/temp_folder.h"

namespace tonvell {
namespace {

namespace fs = std::filesystem;

using test::Contents;

TEST(WavFile, HeaderAndLittleEndianSamples) {
    WavFile wav(44100, 2);
    const std::int16_t samples[] = {1, -2, 0x1234, -32768};
    ASSERT_TRUE(wav.Append(samples));
    EXPECT_EQ(wav.Frames(), 2u);
    const std::string expected(
        "RIFF\x2C\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0"
        "data\x08\0\0\0"
        "\x01\0\xFE\xFF\x34\x12\0\x80",
        52);
    EXPECT_EQ(wav.Bytes(), expected);
}

TEST(WavFile, RefusesToOutgrowItsLimit) {
    WavFile wav(44100, 2);
    wav.SetMaxDataBytes(8);
    const std::int16_t samples[] = {1, 2, 3, 4};
    EXPECT_TRUE(wav.Append(samples));
    EXPECT_FALSE(wav.Append(std::span(samples, 2)));
    EXPECT_EQ(wav.Frames(), 2u);
}

TEST(WavFile, SaveReplacesWholeOrLeavesTheOldFile) {
    const test::TempFolder folder;
    const fs::path& dir = folder.Path();
    const fs::path target = dir / "out.wav";
    std::ofstream(target) << "old";

    WavFile wav(44100, 2);
    const std::int16_t samples[] = {5, 6};
    wav.Append(samples);
    EXPECT_EQ(wav.Save((dir / "missing" / "out.wav").string()), WriteOutcome::CannotCreate);
    EXPECT_EQ(Contents(target), "old");
    EXPECT_EQ(wav.Save(target.string()), WriteOutcome::Written);
    EXPECT_EQ(Contents(target), wav.Bytes());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no temporary file is left beside it";
}

}  // namespace
}  // namespace tonvell
