// SPDX-License-Identifier: MIT
// The command line's inputs: each opened once, a regular file mapped and
// anything else read to its end; what it converts must be exactly what the
// window's reading converts, and a file cut short by another program during
// the conversion must end in an error message, not a crash.

#include "cli/input_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "convert/midi_file.h"
#include "tests/support/conversion_checks.h"
#include "tests/support/midi_builder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using midi_test::Bytes;
using midi_test::Ev;
using tonvell::ConversionResult;
using tonvell::cli::InputFile;

class InputFileTest : public testing::Test {
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

TEST_F(InputFileTest, RegularFilesConvertExactlyAsTheWindowReadsThem) {
    const std::vector<fs::path> paths = {
        Write("song.mid", Song(300)),
        Write("short.mid", Bytes{'M', 'T', 'h', 'd', 0, 0}),
        Write("limit.mid",
              [] {
                  Bytes song = Song(300);
                  song.resize(tonvell::kMaxInputBytes, 0);
                  return song;
              }()),
    };
    for (const fs::path& path : paths) {
        SCOPED_TRACE(path.string());
        const InputFile input(path.string(), tonvell::kMaxInputBytes);
        ASSERT_EQ(input.Status(), InputFile::State::Read);
        EXPECT_TRUE(input.Mapped());
        EXPECT_TRUE(tonvell::midi::StartsAsMidi(input.Bytes()));
        const ConversionResult read = tonvell::Convert(path.string());
        const ConversionResult mapped = tonvell::cli::ConvertInput(input, path.string(), {}, "t");
        tonvell_test::ExpectSameOutcome(mapped, read);
        EXPECT_EQ(mapped.eventLog, read.eventLog);
        EXPECT_EQ(mapped.listing, read.listing);
    }
}

TEST_F(InputFileTest, StatesOfInputsThatGiveNoListing) {
    fs::create_directory(dir_ / "folder.mid");
    const struct {
        fs::path path;
        InputFile::State state;
        bool midi;
    } cases[] = {
        {Write("empty.mid", {}), InputFile::State::Read, false},
        {Write("text.mid", {'h', 'e', 'l', 'l', 'o', '\n'}), InputFile::State::Read, false},
        {Write("mthd.mid", {'M', 'T', 'h'}), InputFile::State::Read, false},
        {Write("large.mid", Bytes(tonvell::kMaxInputBytes + 1, 0)), InputFile::State::TooLarge,
         false},
        {dir_ / "missing.mid", InputFile::State::NotOpened, false},
        {dir_ / "folder.mid", InputFile::State::NotOpened, false},
        {"", InputFile::State::NotOpened, false},
        {"/dev/null", InputFile::State::Read, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        const InputFile input(c.path.string(), tonvell::kMaxInputBytes);
        EXPECT_EQ(input.Status(), c.state);
        EXPECT_EQ(tonvell::midi::StartsAsMidi(input.Bytes()), c.midi);
        EXPECT_EQ(input.Reason().empty(), c.state != InputFile::State::NotOpened) << input.Reason();
    }
    EXPECT_EQ(InputFile((dir_ / "large.mid").string(), tonvell::kMaxInputBytes).Size(),
              tonvell::kMaxInputBytes + 1);
}

// A named pipe is opened once and read to its end, however soon its writer
// finished; its bytes convert as the same file's.
TEST_F(InputFileTest, NamedPipeIsReadOnce) {
    const Bytes song = Song(2000);  // more than a pipe holds at once
    const fs::path pipe = dir_ / "pipe.mid";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] {
        std::ofstream(pipe, std::ios::binary)
            .write(reinterpret_cast<const char*>(song.data()), static_cast<long>(song.size()));
    });
    const InputFile input(pipe.string(), tonvell::kMaxInputBytes);
    writer.join();
    ASSERT_EQ(input.Status(), InputFile::State::Read);
    EXPECT_FALSE(input.Mapped());
    EXPECT_EQ(Bytes(input.Bytes().begin(), input.Bytes().end()), song);
    const ConversionResult fromPipe = tonvell::cli::ConvertInput(input, pipe.string(), {}, "t");
    const ConversionResult fromFile = tonvell::ConvertBytes(song, "pipe.mid");
    tonvell_test::ExpectSameOutcome(fromPipe, fromFile);
    EXPECT_EQ(fromPipe.listing, fromFile.listing);
}

TEST_F(InputFileTest, FileCutShortDuringTheConversionEndsWithAMessage) {
    const fs::path path = Write("song.mid", Song(20000));
    EXPECT_EXIT(
        {
            // The event log goes out while the file is walked: cut the file
            // at the first piece.
            const tonvell::ConvertOptions options{
                .eventLog = tonvell::TextDelivery::Stream(
                    [&](std::string_view) { fs::resize_file(path, 0); })};
            const InputFile input(path.string(), tonvell::kMaxInputBytes);
            tonvell::cli::ConvertInput(input, path.string(), options, "tonvell-cli");
        },
        testing::ExitedWithCode(1), "tonvell-cli: .*song.mid: the file changed while it was read");
}

}  // namespace
