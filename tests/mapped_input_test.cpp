// The command line maps its input files instead of reading them; what it
// converts must be exactly what the reading path converts, and a file cut
// short by another program during the conversion must end in an error
// message, not a crash.

#include "cli/mapped_input.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/conversion_checks.h"
#include "tests/support/midi_builder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using midi_test::Bytes;
using midi_test::Ev;
using tonvell::ConversionResult;

class MappedInputTest : public testing::Test {
protected:
    fs::path Write(const std::string& name, const Bytes& bytes) const {
        return dir_.Write(name, bytes);
    }

    tonvell_test::TempDir dir_;
};

// Notes enough for an event log of many pieces.
Bytes Song(int notes) {
    Bytes track;
    for (int i = 0; i < notes; ++i) {
        const auto key = static_cast<std::uint8_t>(0x30 + i % 24);
        for (const Bytes& event : {Ev(10, {0x90, key, 0x40}), Ev(20, {0x80, key, 0x00})}) {
            track.insert(track.end(), event.begin(), event.end());
        }
    }
    const Bytes end = midi_test::EndOfTrack();
    track.insert(track.end(), end.begin(), end.end());
    return midi_test::Format0(96, track);
}

TEST_F(MappedInputTest, ConvertsExactlyAsReading) {
    const std::vector<fs::path> paths = {
        Write("song.mid", Song(300)),
        Write("empty.mid", {}),
        Write("short.mid", Bytes(10, 0x4D)),
        Write("large.mid", Bytes(tonvell::kMaxInputBytes + 1, 0)),
        Write("limit.mid",
              [] {
                  Bytes song = Song(300);
                  song.resize(tonvell::kMaxInputBytes, 0);
                  return song;
              }()),
        dir_ / "missing.mid",
        dir_.path(),
        "/dev/null",
    };
    for (const fs::path& path : paths) {
        SCOPED_TRACE(path.string());
        const ConversionResult read = tonvell::Convert(path.string());
        const ConversionResult mapped = tonvell::cli::ConvertMapped(path.string(), {}, "test");
        tonvell_test::ExpectSameOutcome(mapped, read);
        EXPECT_EQ(mapped.eventLog, read.eventLog);
        EXPECT_EQ(mapped.listing, read.listing);
    }
}

TEST_F(MappedInputTest, FileCutShortDuringTheConversionEndsWithAMessage) {
    const fs::path path = Write("song.mid", Song(20000));
    EXPECT_EXIT(
        {
            // The event log goes out while the file is walked: cut the file
            // at the first piece.
            tonvell::cli::ConvertMapped(path.string(),
                                        {.eventLog = tonvell::TextDelivery::Stream(
                                             [&](std::string_view) { fs::resize_file(path, 0); })},
                                        "tonvell-cli");
        },
        testing::ExitedWithCode(1), "tonvell-cli: .*song.mid: the file changed while it was read");
}

}  // namespace
