// SPDX-License-Identifier: MIT
// tonvell-cli --wav as a user runs it: what it writes, and that a failure
// writes nothing and says why.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/wav_file.h"
#include "playback/listing_rendering.h"
#include "tests/support/temp_folder.h"

namespace tonvell {
namespace {

namespace fs = std::filesystem;

// The worked listing as the window saves it: CR LF, Windows-1251.
const std::string kWorkedListing =
    "; \r\n; x.mid\r\n; \r\nDWL 8 ;size in bytes\r\n; \r\nDB 0Eh, 87h\r\nDB 51h, F0h\r\n"
    "DB 9Fh ;\xEF\xE0\xF3\xE7\xE0\r\nDB 51h, 80h\r\nDB 00h ;end of block\r\n";

// A format-0 file, 96 ticks per quarter note: a tempo event and one quarter
// note of middle C.
const std::string kOneNoteMidi(
    "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x13"
    "\0\xFF\x51\x03\x07\xA1\x20\0\x90\x3C\x64\x60\x80\x3C\x40\0\xFF\x2F\0",
    41);

using test::Contents;

class CliWavTest : public ::testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }
    // Runs tonvell-cli with args (quoted by the caller where needed); the
    // exit status, with standard output and error in out and err.
    int Run(const std::string& args) {
        const std::string command = std::string(TONVELL_CLI_PATH) + " " + args + " >" +
                                    (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
        const int status = std::system(command.c_str());
        out = Contents(dir_ / "out");
        err = Contents(dir_ / "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string P(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }

    test::TempFolder folder_;
    const fs::path& dir_ = folder_.Path();
    std::string out, err;
};

// The file holds exactly what the player makes of the listing's text.
TEST_F(CliWavTest, ListingRendersAsThePlayerReadsIt) {
    Write("tune.inc", kWorkedListing);
    ASSERT_EQ(Run("--wav " + P("tune.wav") + " " + P("tune.inc")), 0) << err;
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("rendered into"), std::string::npos) << err;

    WavFile expected(playback::OfflineRenderer::kSampleRate, playback::OfflineRenderer::kChannels);
    playback::MemoryView view;
    view.SetListing(kWorkedListing);
    const auto rendering = playback::RenderListing(
        view, [&](std::span<const std::int16_t> s) { return expected.Append(s); });
    ASSERT_EQ(rendering.error, "");
    EXPECT_TRUE(Contents(dir_ / "tune.wav") == expected.Bytes());
    const std::string wav = Contents(dir_ / "tune.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(20, 16),
              std::string("\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0", 16))
        << "PCM, stereo, 44100 Hz, 16 bits";
}

// A MIDI file is converted first: its WAV is the WAV of its listing, from a
// file or from a pipe.
TEST_F(CliWavTest, MidiFileRendersItsListing) {
    Write("song.mid", kOneNoteMidi);
    ASSERT_EQ(Run("-o " + P("song.inc") + " " + P("song.mid")), 0) << err;
    ASSERT_EQ(Run("-q --wav " + P("from-midi.wav") + " " + P("song.mid")), 0) << err;
    EXPECT_EQ(err, "");
    ASSERT_EQ(Run("-q --wav " + P("from-listing.wav") + " " + P("song.inc")), 0) << err;
    ASSERT_EQ(Run("-q --wav " + P("from-pipe.wav") + " /dev/stdin <" + P("song.mid")), 0) << err;
    EXPECT_GT(Contents(dir_ / "from-midi.wav").size(), 44u + 4 * 44100 / 2);
    EXPECT_TRUE(Contents(dir_ / "from-midi.wav") == Contents(dir_ / "from-listing.wav"));
    EXPECT_TRUE(Contents(dir_ / "from-midi.wav") == Contents(dir_ / "from-pipe.wav"))
        << "a pipe is read once";
}

// A damaged MIDI file is rendered as far as it was read, with the status of
// a conversion cut short.
TEST_F(CliWavTest, CutShortMidiFileRendersWhatWasRead) {
    Write("cut.mid", kOneNoteMidi.substr(0, 35));  // ends inside the note-off
    EXPECT_EQ(Run("-q --wav " + P("cut.wav") + " " + P("cut.mid")), 3) << err;
    EXPECT_NE(err.find("warning:"), std::string::npos) << err;
    EXPECT_GT(Contents(dir_ / "cut.wav").size(), 44u + 4 * 44100 / 10);
}

TEST_F(CliWavTest, InstrumentChoosesTheProgram) {
    Write("tune.inc", kWorkedListing);
    ASSERT_EQ(Run("-q --wav " + P("flute.wav") + " " + P("tune.inc")), 0) << err;
    ASSERT_EQ(Run("-q --wav " + P("lead.wav") + " --instrument '80 Square Lead' " + P("tune.inc")),
              0)
        << err;
    EXPECT_FALSE(Contents(dir_ / "flute.wav") == Contents(dir_ / "lead.wav"));
    ASSERT_EQ(Run("-q --wav " + P("none.wav") + " --instrument Piano " + P("tune.inc")), 0);
    EXPECT_NE(err.find("does not begin with a program number"), std::string::npos) << err;
}

struct FailureCase {
    const char* name;
    std::string args;  // {in} and {out} stand for the input and the target
    int status;
    const char* says;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class CliWavFailureTest : public CliWavTest, public ::testing::WithParamInterface<FailureCase> {};

// Nothing is written, an existing target keeps its bytes, and the reason is
// told.
TEST_P(CliWavFailureTest, WritesNothingAndSaysWhy) {
    const FailureCase& c = GetParam();
    Write("tune.inc", kWorkedListing);
    Write("notes.txt", "just some words\n");
    Write("target.wav", "old");
    std::string args = c.args;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", P("tune.inc")},
                                     {"{out}", P("target.wav")},
                                     {"{text}", P("notes.txt")},
                                     {"{missing}", P("missing.inc")},
                                     {"{nofolder}", P("no/such/folder.wav")}}) {
        for (auto at = args.find(key); at != std::string::npos; at = args.find(key)) {
            args.replace(at, key.size(), value);
        }
    }
    EXPECT_EQ(Run(args), c.status) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(Contents(dir_ / "target.wav"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 5)
        << "no other file appeared";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliWavFailureTest,
    ::testing::Values(
        FailureCase{"MissingInput", "--wav {out} {missing}", 1, "cannot read"},
        FailureCase{"NoListingInIt", "--wav {out} {text}", 1, "holds no command"},
        FailureCase{"FolderMissing", "--wav {nofolder} {in}", 1, "Cannot create file"},
        FailureCase{"InstrumentWithoutWav", "--instrument '80 Square Lead' {in}", 2,
                    "--instrument goes with --wav"},
        FailureCase{"TwoInputs", "--wav {out} {in} {in}", 2, "--wav renders one input"},
        FailureCase{"WithOutput", "--wav {out} -o {out} {in}", 2, "cannot be used with"},
        FailureCase{"EmptyName", "--wav '' {in}", 2, "--wav needs a file name"},
        FailureCase{"OverwritesItsInput", "--wav {out} {out}", 1, "would overwrite"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tonvell
