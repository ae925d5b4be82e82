// SPDX-License-Identifier: MIT
// tonvell-cli --wav as a user runs it: what it writes, and that a failure
// writes nothing and says why.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

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

// The same note on channel 10, which the instrument does not play.
const std::string kDrumMidi(
    "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x13"
    "\0\xFF\x51\x03\x07\xA1\x20\0\x99\x3C\x64\x60\x89\x3C\x40\0\xFF\x2F\0",
    41);

// A listing of the slowest time unit and delays of 255 units each.
std::string LongListing(int delays) {
    std::string text = "; \r\n; x.mid\r\n; \r\nDWL 8 ;size in bytes\r\n; \r\nDB 0Eh, FFh\r\n";
    for (int i = 0; i < delays; ++i)
        text += "DB FFh, FFh\r\n";
    return text + "DB 00h ;end of block\r\n";
}

// A note sounding through half an hour of delays: rendering it takes a while.
std::string HalfHourListing() {
    std::string text = "; \r\n; x.mid\r\n; \r\nDWL 8 ;size in bytes\r\n; \r\nDB 0Eh, 01h\r\n";
    for (int i = 0; i < 55; ++i)
        text += "DB 51h, F0h\r\nDB FFh, FFh\r\nDB 51h, 80h\r\n";
    return text + "DB 00h ;end of block\r\n";
}

using test::Contents;

class CliWavTest : public ::testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }
    // Runs tonvell-cli with args (quoted by the caller where needed); the
    // exit status, with standard output and error in out and err.
    int Run(const std::string& args, const std::string& environment = "") {
        const std::string command = environment + " " + std::string(TONVELL_CLI_PATH) + " " + args +
                                    " >" + (dir_ / "out").string() + " 2>" +
                                    (dir_ / "err").string();
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

// A signal while the samples are written removes the temporary file, keeps
// the old file, and the status says which signal ended the program.
TEST_F(CliWavTest, SignalLeavesTheOldFileAndNoTemporaryFile) {
    Write("halfhour.inc", HalfHourListing());
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(number);
        Write("target.wav", "old");
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, number);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string errPath = (dir_ / "err").string();
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> args = {TONVELL_CLI_PATH, "--wav", (dir_ / "target.wav").string(),
                                         (dir_ / "halfhour.inc").string()};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        // Signalled once the temporary file is there (the rendering takes far
        // longer than the few moments this waits).
        const auto temporaryThere = [&] {
            for (const auto& entry : fs::directory_iterator(dir_)) {
                if (entry.path().filename().string().starts_with(".tonvell-"))
                    return true;
            }
            return false;
        };
        for (int polls = 0; polls < 3000 && !temporaryThere(); ++polls)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(temporaryThere());
        kill(pid, number);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << status;
        EXPECT_NE(Contents(dir_ / "err").find("interrupted"), std::string::npos);
        EXPECT_FALSE(temporaryThere());
        EXPECT_EQ(Contents(dir_ / "target.wav"), "old");
    }
}

struct FailureCase {
    const char* name;
    std::string args;  // {in} and {out} stand for the input and the target
    int status;
    const char* says;
    std::string environment = "";  // variables set for the run, {dir} the test's folder
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
    Write("readonly.wav", "old");
    fs::permissions(dir_ / "readonly.wav", fs::perms(0444));
    Write("drums.mid", kDrumMidi);
    Write("59hours.inc", LongListing(46));
    Write("halfhour.inc", HalfHourListing());
    Write("wave.sf2", "RIFF\x04\0\0\0WAVE");
    ASSERT_EQ(mkfifo((dir_ / "fifo.sf2").c_str(), 0600), 0);
    fs::create_directory(dir_ / "folder");
    std::string args = c.args;
    std::string environment = c.environment;
    for (std::string* text : {&args, &environment}) {
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", P("tune.inc")},
                                         {"{out}", P("target.wav")},
                                         {"{text}", P("notes.txt")},
                                         {"{missing}", P("missing.inc")},
                                         {"{nofolder}", P("no/such/folder.wav")},
                                         {"{dir}", P("")}}) {
            for (auto at = text->find(key); at != std::string::npos; at = text->find(key)) {
                text->replace(at, key.size(), value);
            }
        }
    }
    std::set<std::string> before;
    for (const auto& entry : fs::directory_iterator(dir_))
        before.insert(entry.path().filename().string());
    before.insert({"out", "err"});
    EXPECT_EQ(Run(args, environment), c.status) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(Contents(dir_ / "target.wav"), "old");
    EXPECT_EQ(Contents(dir_ / "readonly.wav"), "old");
    EXPECT_EQ(fs::status(dir_ / "readonly.wav").permissions() & fs::perms::all, fs::perms(0444));
    std::set<std::string> after;
    for (const auto& entry : fs::directory_iterator(dir_))
        after.insert(entry.path().filename().string());
    EXPECT_EQ(after, before) << "no other file appeared";
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliWavFailureTest,
    ::testing::Values(
        FailureCase{"MissingInput", "--wav {out} {missing}", 1, "cannot read"},
        FailureCase{"InputIsAFolder", "--wav {out} {dir}folder", 1,
                    "folder: cannot read: Is a directory"},
        FailureCase{"NoListingInIt", "--wav {out} {text}", 1, "holds no command"},
        FailureCase{"FolderMissing", "--wav {nofolder} {in}", 1, "Cannot create file"},
        // The target is made before the half hour is rendered.
        FailureCase{"HalfHourIntoAMissingFolder", "--wav {nofolder} {dir}halfhour.inc", 1,
                    "folder.wav: No such file or directory"},
        FailureCase{"TargetIsAFolder", "--wav {dir}folder {in}", 1, "folder: Is a directory"},
        FailureCase{"ReadOnlyTarget", "--wav {dir}readonly.wav {in}", 1,
                    "readonly.wav: Permission denied"},
        // 59 hours of delays: past the 58 hours at which the sample position
        // overflowed, and refused before anything is rendered.
        FailureCase{"FiftyNineHours", "--wav {out} {dir}59hours.inc", 1,
                    "59hours.inc: plays longer than 60 minutes; not rendered"},
        FailureCase{"OnlyDrums", "--wav {out} {dir}drums.mid", 1,
                    "drums.mid: holds no note that the instrument plays"},
        FailureCase{"SoundFontMissing", "--wav {out} {in}", 1, "TONVELL_SOUNDFONT names",
                    "TONVELL_SOUNDFONT={dir}missing.sf2"},
        FailureCase{"SoundFontIsAFolder", "--wav {out} {in}", 1,
                    "folder: a folder, not a SoundFont", "TONVELL_SOUNDFONT={dir}folder"},
        FailureCase{"SoundFontIsAPipe", "--wav {out} {in}", 1, "fifo.sf2: not a plain file",
                    "TONVELL_SOUNDFONT={dir}fifo.sf2"},
        FailureCase{"SoundFontIsAWave", "--wav {out} {in}", 1, "wave.sf2: not a SoundFont",
                    "TONVELL_SOUNDFONT={dir}wave.sf2"},
        FailureCase{"InstrumentWithoutWav", "--instrument '80 Square Lead' {in}", 2,
                    "--instrument goes with --wav"},
        FailureCase{"TwoInputs", "--wav {out} {in} {in}", 2, "--wav renders one input"},
        FailureCase{"WithOutput", "--wav {out} -o {out} {in}", 2, "cannot be used with"},
        FailureCase{"EmptyName", "--wav '' {in}", 2, "--wav needs a file name"},
        FailureCase{"OverwritesItsInput", "--wav {out} {out}", 1, "would overwrite"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tonvell
