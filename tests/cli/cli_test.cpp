// SPDX-License-Identifier: MIT
// The command-line converter as scripts use it: what it writes where, its
// messages and its exit status.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "convert/conversion.h"
#include "output/listing_formats.h"
#include "output/save_listing.h"
#include "tests/support/midi_builder.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace tonvell {
namespace {

namespace fs = std::filesystem;

using tonvell_test::ReadAll;
using tonvell_test::WriteAll;

// A format-0 file, 96 ticks per quarter note, holding the given track events.
std::vector<std::uint8_t> Format0(const std::vector<std::uint8_t>& events) {
    return midi_test::Format0(96, events);
}

// A tempo event, one note of a quarter note's length, end of track.
std::vector<std::uint8_t> OneNote(std::uint8_t note) {
    return Format0({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, note, 0x64, 0x60, 0x80,
                    note, 0x40, 0x00, 0xFF, 0x2F, 0x00});
}

// The bytes the library gives for a file: what the window would save.
std::string Expected(const std::vector<std::uint8_t>& file, const std::string& name,
                     ListingFileType type) {
    return RenderListingFile(JoinLines(ConvertBytes(file, name).listing), type);
}

struct CliRun {
    bool finished = false;  // false: it had to be stopped
    int exitCode = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir_ / "work");
        song_ = OneNote(0x3C);
        WriteAll(work() / "song.mid", song_);
    }

    fs::path work() const { return dir_ / "work"; }

    // Runs the converter in the work folder with standard output and error
    // going to files (standard output to stdoutPath if one is given).
    CliRun Cli(const std::vector<std::string>& args, const std::string& stdoutPath = "",
               const std::string& stdinPath = "/dev/null") {
        std::vector<std::string> argv = {TONVELL_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return Spawn(argv, stdoutPath, stdinPath);
    }

    // Runs a shell command line in the work folder, $CLI naming the converter.
    CliRun Shell(const std::string& command) {
        return Spawn({"/bin/bash", "-c", "CLI=" TONVELL_CLI_PATH "; " + command}, "", "/dev/null");
    }

    CliRun Spawn(std::vector<std::string> argStrings, const std::string& stdoutPath,
                 const std::string& stdinPath) {
        CliRun run;
        const std::string outPath = stdoutPath.empty() ? (dir_ / "stdout").string() : stdoutPath;
        const std::string errPath = (dir_ / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, stdinPath.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string workDir = work().string();
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
        std::vector<char*> argv;
        for (auto& arg : argStrings)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return run;
        }
        // Bounded wait: a converter that hangs is stopped and reported, not
        // waited for. The bound is far beyond any conversion's needs.
        int status = 0;
        for (int polls = 0;; ++polls) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                run.finished = true;
                break;
            }
            if (done < 0 && errno != EINTR)
                break;
            if (polls == 12000) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (run.finished && WIFEXITED(status))
            run.exitCode = WEXITSTATUS(status);
        if (stdoutPath.empty())
            run.out = ReadAll(outPath);
        run.err = ReadAll(errPath);
        return run;
    }

    std::set<std::string> Names(const fs::path& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    tonvell_test::TempDir dir_;
    std::vector<std::uint8_t> song_;
};

TEST_F(CliTest, StandardOutputEqualsATypeOneSave) {
    const CliRun run = Cli({"song.mid"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, Expected(song_, "song.mid", ListingFileType::Inc));

    const fs::path saved = dir_ / "saved.inc";
    const std::string listing = JoinLines(ConvertBytes(song_, "song.mid").listing);
    ASSERT_TRUE(SaveListing(listing, ListingFileType::Inc, saved.string()).ok());
    EXPECT_EQ(run.out, ReadAll(saved));
    EXPECT_NE(run.out.find("; song.mid\r\n"), std::string::npos);
}

// The input's name is the listing's second line, and files hold it in
// Windows-1251.
TEST_F(CliTest, NamesBeyondPlainAsciiAreWrittenInWindows1251) {
    const struct {
        std::string name;
        std::string nameLine;  // in the .inc file
    } cases[] = {
        {"песня.mid", "; \xEF\xE5\xF1\xED\xFF.mid\r\n"},
        {"tab\there.mid", "; tab?here.mid\r\n"},
        {"日本.mid", "; ??.mid\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(work() / c.name, song_);
        for (const std::string type : {"inc", "zum", "txt"}) {
            const CliRun run = Cli({"-q", "-t", type, c.name});
            ASSERT_TRUE(run.finished);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out, Expected(song_, c.name, FileTypeByExtension("." + type))) << type;
            if (type == "inc") {
                EXPECT_NE(run.out.find(c.nameLine), std::string::npos) << run.out;
            }
        }
    }
}

TEST_F(CliTest, TypeComesFromOptionThenExtensionThenInc) {
    const struct {
        std::vector<std::string> args;
        const char* output;  // in the work folder; empty for standard output
        ListingFileType type;
    } cases[] = {
        {{"song.mid"}, "", ListingFileType::Inc},
        {{"--type", "zum", "song.mid"}, "", ListingFileType::Zum},
        {{"-t", "txt", "song.mid"}, "", ListingFileType::Txt},
        {{"--type=zum", "song.mid"}, "", ListingFileType::Zum},
        {{"-tinc", "song.mid"}, "", ListingFileType::Inc},
        {{"-o", "out.zum", "song.mid"}, "out.zum", ListingFileType::Zum},
        {{"-o", "out.ZUM", "song.mid"}, "out.ZUM", ListingFileType::Zum},
        {{"-o", "out.txt", "song.mid"}, "out.txt", ListingFileType::Txt},
        {{"-o", "out.inc", "song.mid"}, "out.inc", ListingFileType::Inc},
        {{"--output", "out.bin", "song.mid"}, "out.bin", ListingFileType::Inc},
        {{"-o", "out", "song.mid"}, "out", ListingFileType::Inc},
        {{"-o", "out.zum", "--type", "txt", "song.mid"}, "out.zum", ListingFileType::Txt},
        {{"--type", "inc", "-o", "out.txt", "song.mid"}, "out.txt", ListingFileType::Inc},
        {{"-d", "dir", "song.mid"}, "dir/song.inc", ListingFileType::Inc},
        {{"-d", "dir", "-t", "zum", "song.mid"}, "dir/song.zum", ListingFileType::Zum},
        {{"--output-dir=dir", "--type=txt", "song.mid"}, "dir/song.txt", ListingFileType::Txt},
    };
    const std::set<std::string> before = Names(work());
    for (const auto& c : cases) {
        std::string line;
        for (const auto& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const CliRun run = Cli(c.args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string expected = Expected(song_, "song.mid", c.type);
        if (*c.output == '\0') {
            EXPECT_EQ(run.out, expected);
        } else {
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(ReadAll(work() / c.output), expected);
            fs::remove(work() / c.output);
            fs::remove(work() / "dir");
        }
        EXPECT_EQ(Names(work()), before);
    }
}

TEST_F(CliTest, OutputReplacesAnExistingFile) {
    WriteAll(work() / "out.inc", std::vector<std::uint8_t>(5000, 'x'));
    const CliRun run = Cli({"-o", "out.inc", "song.mid"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ReadAll(work() / "out.inc"), Expected(song_, "song.mid", ListingFileType::Inc));
}

TEST_F(CliTest, FolderOutputWritesOneFilePerInput) {
    const auto a = OneNote(0x30);
    const auto b = OneNote(0x48);
    fs::create_directory(work() / "in");
    WriteAll(work() / "in/a.mid", a);
    WriteAll(work() / "in/b.MID", b);
    WriteAll(work() / "x.y.mid", song_);
    WriteAll(work() / "noext", song_);
    for (const std::string type : {"inc", "zum", "txt"}) {
        SCOPED_TRACE(type);
        const ListingFileType writer = FileTypeByExtension("." + type);
        const CliRun run =
            Cli({"-q", "-t", type, "-d", "out/new", "in/a.mid", "in/b.MID", "x.y.mid", "noext"});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        const fs::path out = work() / "out/new";
        EXPECT_EQ(Names(out), (std::set<std::string>{"a." + type, "b." + type, "x.y." + type,
                                                     "noext." + type}));
        EXPECT_EQ(ReadAll(out / ("a." + type)), Expected(a, "a.mid", writer));
        EXPECT_EQ(ReadAll(out / ("b." + type)), Expected(b, "b.MID", writer));
        EXPECT_EQ(ReadAll(out / ("x.y." + type)), Expected(song_, "x.y.mid", writer));
        EXPECT_EQ(ReadAll(out / ("noext." + type)), Expected(song_, "noext", writer));
        fs::remove_all(work() / "out");
    }
}

TEST_F(CliTest, InputsThatCannotBeReadDoNotStopTheOthers) {
    const auto a = OneNote(0x30);
    const auto b = OneNote(0x48);
    WriteAll(work() / "a.mid", a);
    WriteAll(work() / "b.mid", b);
    fs::create_directory(work() / "folder.mid");
    const CliRun run = Cli({"-d", "out", "a.mid", "missing.mid", "folder.mid", "b.mid"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Names(work() / "out"), (std::set<std::string>{"a.inc", "b.inc"}));
    EXPECT_EQ(ReadAll(work() / "out/a.inc"), Expected(a, "a.mid", ListingFileType::Inc));
    EXPECT_EQ(ReadAll(work() / "out/b.inc"), Expected(b, "b.mid", ListingFileType::Inc));
    EXPECT_NE(run.err.find("missing.mid"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("folder.mid"), std::string::npos) << run.err;

    const CliRun alone = Cli({"missing.mid"});
    ASSERT_TRUE(alone.finished);
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.out, "");
    EXPECT_NE(alone.err.find("missing.mid"), std::string::npos) << alone.err;
}

// Two inputs of the same name from different folders would write the same
// output file; the second is refused instead of overwriting the first.
TEST_F(CliTest, FolderOutputNeverOverwritesAnotherInputsResult) {
    const auto first = OneNote(0x30);
    const auto second = OneNote(0x48);
    fs::create_directories(work() / "x");
    fs::create_directories(work() / "y");
    fs::create_directories(work() / "z");
    WriteAll(work() / "x/song.mid", first);
    WriteAll(work() / "y/song.mid", second);
    const CliRun run = Cli({"-q", "-d", "out", "x/song.mid", "y/song.mid"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadAll(work() / "out/song.inc"), Expected(first, "song.mid", ListingFileType::Inc));
    EXPECT_NE(run.err.find("y/song.mid"), std::string::npos) << run.err;

    // An input that could not be read wrote nothing, so the next one of that
    // name still gets its file.
    const CliRun afterMissing = Cli({"-q", "-d", "out2", "z/song.mid", "y/song.mid"});
    ASSERT_TRUE(afterMissing.finished);
    EXPECT_EQ(afterMissing.exitCode, 1);
    EXPECT_EQ(ReadAll(work() / "out2/song.inc"),
              Expected(second, "song.mid", ListingFileType::Inc));
    EXPECT_NE(afterMissing.err.find("z/song.mid"), std::string::npos) << afterMissing.err;
}

TEST_F(CliTest, SizeLimit) {
    // The refusal names the limit in the command line's words; a file one
    // byte over it reads like a stream, which is read one byte past it.
    const struct {
        std::size_t size;
        bool accepted;
        const char* refusal;
    } cases[] = {
        {250000, true, ""},
        {250001, false, "tonvell-cli: big.mid: too large: more than 250000 bytes\n"},
        {300000, false, "tonvell-cli: big.mid: too large: 300000 bytes (at most 250000 bytes)\n"},
    };
    const auto good = OneNote(0x30);
    WriteAll(work() / "good.mid", good);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        // A valid file padded with bytes that read as no events.
        auto big = OneNote(0x3C);
        big.resize(c.size, 0);
        WriteAll(work() / "big.mid", big);

        const CliRun toFolder = Cli({"-q", "-d", "out", "big.mid", "good.mid"});
        ASSERT_TRUE(toFolder.finished);
        EXPECT_EQ(toFolder.exitCode, c.accepted ? 0 : 1) << toFolder.err;
        EXPECT_EQ(ReadAll(work() / "out/good.inc"),
                  Expected(good, "good.mid", ListingFileType::Inc));
        EXPECT_EQ(fs::exists(work() / "out/big.inc"), c.accepted);

        const CliRun toStdout = Cli({"-q", "big.mid"});
        ASSERT_TRUE(toStdout.finished);
        EXPECT_EQ(toStdout.exitCode, c.accepted ? 0 : 1);
        if (c.accepted) {
            EXPECT_EQ(toStdout.out, Expected(big, "big.mid", ListingFileType::Inc));
            EXPECT_EQ(toStdout.err, "");
        } else {
            EXPECT_EQ(toStdout.out, "");
            EXPECT_EQ(toStdout.err, c.refusal);
        }
        fs::remove_all(work() / "out");
    }
}

TEST_F(CliTest, LogGoesToStandardOutputInUtf8) {
    const CliRun run = Cli({"-q", "--log", "song.mid"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, JoinLines(ConvertBytes(song_, "song.mid").eventLog));
    EXPECT_NE(run.out.find("\nMThd\n6 (длина заголовка)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nПауза 96 тиков\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, ReportAndStatisticsGoToStandardErrorUnlessQuiet) {
    const ConversionResult r = ConvertBytes(song_, "song.mid");
    ASSERT_TRUE(r.progressLine.has_value());
    const CliRun loud = Cli({"song.mid"});
    ASSERT_TRUE(loud.finished);
    EXPECT_EQ(loud.exitCode, 0);
    for (const std::string& line :
         {r.sizeLine, *r.progressLine, r.statistics[0], r.statistics[1], r.statistics[2]}) {
        ASSERT_FALSE(line.empty());
        EXPECT_NE(loud.err.find(line + "\n"), std::string::npos) << line << "\n" << loud.err;
    }
    EXPECT_NE(loud.err.find("Всего: 41 байт"), std::string::npos) << loud.err;

    for (const auto& args : {std::vector<std::string>{"-q", "song.mid"},
                             std::vector<std::string>{"--quiet", "song.mid"}}) {
        const CliRun quiet = Cli(args);
        ASSERT_TRUE(quiet.finished);
        EXPECT_EQ(quiet.exitCode, 0);
        EXPECT_EQ(quiet.err, "");
        EXPECT_EQ(quiet.out, loud.out);
    }
}

TEST_F(CliTest, MessageBoxTextBecomesAWarning) {
    // The delta time before the end of track runs over four bytes.
    WriteAll(work() / "long.mid", Format0({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40, 0xFF,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0x2F, 0x00}));
    for (const bool quiet : {false, true}) {
        SCOPED_TRACE(quiet);
        std::vector<std::string> args = {"long.mid"};
        if (quiet)
            args.insert(args.begin(), "-q");
        const CliRun run = Cli(args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.err.find("warning: long.mid: Time field is too long\n"), std::string::npos)
            << run.err;
        EXPECT_FALSE(run.out.empty());
    }
}

// Damaged and unusual inputs: each warning is printed once per input, with
// how often it occurred, and the result is still written (status 3 for an
// input cut short).
TEST_F(CliTest, DamagedInputsWarnOnceEach) {
    using midi_test::Cat;
    using midi_test::Chunk;
    using midi_test::Ev;
    using midi_test::Header;
    const auto notes = Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(96, {0x80, 0x3C, 0x40})});
    const auto track = Cat({notes, midi_test::EndOfTrack()});
    const auto sixTracks = midi_test::Format1(96, std::vector<midi_test::Bytes>(6, track));
    const struct {
        const char* what;
        std::string name;
        std::vector<std::uint8_t> bytes;
        int exitCode;
        std::vector<std::string> warnings;  // each exactly once on standard error
        const char* nameLine;               // in the listing
    } cases[] = {
        {"flood of over-long delta times",
         "flood.mid",
         midi_test::FloodFile(35571),
         0,
         {"Time field is too long (17786 times)"},
         "; flood.mid\r\n"},
        {"format-1 file cut short",
         "cut.mid",
         {sixTracks.begin(), sixTracks.begin() + static_cast<long>(sixTracks.size() / 2)},
         3,
         {"Неожиданный конец файла"},
         "; cut.mid\r\n"},
        {"track length FFFFFFFF",
         "ffff.mid",
         Cat({Header(1, 2, 96), Chunk("MTrk", track), Chunk("MTrk", notes, 0xFFFFFFFF)}),
         3,
         {"Неожиданный конец файла"},
         "; ffff.mid\r\n"},
        {"name with a newline", "two\nlines.mid", song_, 0, {}, "; two?lines.mid\r\n"},
        {"rest of 16,385 units, which plays shorter",
         "rest.mid",
         midi_test::Format0(32,
                            Cat({notes, Ev(16385, {0x90, 0x3C, 0x40}), midi_test::EndOfTrack()})),
         0,
         {"Пауза длиннее 16384 единиц проиграется короче"},
         "; rest.mid\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(work() / c.name, c.bytes);
        const CliRun run = Cli({c.name});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        std::size_t warningLines = 0;
        for (std::size_t at = run.err.find("warning: "); at != std::string::npos;
             at = run.err.find("warning: ", at + 1)) {
            ++warningLines;
        }
        EXPECT_EQ(warningLines, c.warnings.size()) << run.err;
        for (const std::string& warning : c.warnings) {
            EXPECT_NE(run.err.find("warning: " + c.name + ": " + warning + "\n"), std::string::npos)
                << run.err;
        }
        EXPECT_EQ(run.out, Expected(c.bytes, c.name, ListingFileType::Inc));
        EXPECT_NE(run.out.find(c.nameLine), std::string::npos) << run.out;
        // The name stays one line: the data block holds only the converted bytes.
        const std::string zum = Cli({"-q", "-t", "zum", c.name}).out;
        EXPECT_EQ(zum, RenderZum(JoinLines(ConvertBytes(c.bytes, "x.mid").listing)));
    }
}

TEST_F(CliTest, UsageErrors) {
    WriteAll(work() / "a.mid", OneNote(0x30));
    WriteAll(work() / "b.mid", OneNote(0x48));
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus", "song.mid"},
        {"-x", "song.mid"},
        {"--type", "wav", "song.mid"},
        {"-t", "", "song.mid"},
        {"song.mid", "--type"},
        {"song.mid", "-o"},
        {"-o", "out.inc", "a.mid", "b.mid"},
        {},
        {"-q"},
        {"a.mid", "b.mid"},
        {"-o", "out.inc", "-d", "outdir", "song.mid"},
        {"--log", "-o", "out.inc", "song.mid"},
        {"--log", "-d", "outdir", "song.mid"},
        {"--quiet=yes", "song.mid"},
        {"--log=1", "song.mid"},
        // An empty output name (an unset variable in a script) never means
        // standard output.
        {"-o", "", "song.mid"},
        {"--output=", "song.mid"},
        {"--output", "", "song.mid"},
        {"-d", "", "song.mid"},
        {"--output-dir=", "song.mid"},
        // The picture takes one input and no listing options.
        {"--svg", "out.svg", "a.mid", "b.mid"},
        {"--svg", "out.svg", "-o", "out.inc", "song.mid"},
        {"--svg", "out.svg", "--log", "song.mid"},
        {"--svg", "out.svg", "--wav", "out.wav", "song.mid"},
        {"--svg=", "song.mid"},
        {"song.mid", "--svg"},
    };
    const std::set<std::string> before = Names(work());
    for (const auto& args : cases) {
        std::string line;
        for (const auto& arg : args)
            line += "'" + arg + "' ";
        SCOPED_TRACE(line);
        const CliRun run = Cli(args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
        EXPECT_EQ(Names(work()), before);
    }
}

// --channels, --transpose and --keep: a bad value is a usage error with a
// message naming the option and what it takes; nothing is written.
TEST_F(CliTest, NoteChoiceErrors) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--channels", "0"}, "--channels: '0' is no MIDI channel (use 1 to 16)"},
        {{"--channels", "17"}, "--channels: '17' is no MIDI channel (use 1 to 16)"},
        {{"--channels=5-3"}, "--channels: the range '5-3' runs backwards"},
        {{"--channels", ""}, "--channels: no channel given"},
        {{"--transpose", "49"}, "--transpose: '49' is no transposition (use -48 to 48 semitones)"},
        {{"--transpose=-49"}, "--transpose: '-49' is no transposition (use -48 to 48 semitones)"},
        {{"--keep", "loud"},
         "--keep: 'loud' is no choice of notes to keep (use new, old, high or low)"},
    };
    const std::set<std::string> before = Names(work());
    for (const auto& [options, message] : cases) {
        for (const std::vector<std::string>& form :
             {std::vector<std::string>{"-o", "out.inc"}, std::vector<std::string>{"--svg", "o.svg"},
              std::vector<std::string>{"--log"}}) {
            std::vector<std::string> args = form;
            args.insert(args.end(), options.begin(), options.end());
            args.push_back("song.mid");
            SCOPED_TRACE(args.back() + " " + message);
            const CliRun run = Cli(args);
            ASSERT_TRUE(run.finished);
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "tonvell-cli: " + message + "\nTry 'tonvell-cli --help'.\n");
            EXPECT_EQ(Names(work()), before);
        }
    }
}

// The choices reach every output as the library makes it with them, and a
// further report line counts the note-ons passed over.
TEST_F(CliTest, NoteChoicesReachEveryOutput) {
    // Middle C on channel 1 and a drum on channel 10.
    const std::vector<std::uint8_t> file =
        Format0({0x00, 0x90, 0x3C, 0x64, 0x00, 0x99, 0x24, 0x64, 0x60, 0x80,
                 0x3C, 0x40, 0x00, 0x89, 0x24, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    WriteAll(work() / "two.mid", file);
    const NoteChoices choices{.channels = 0x0200, .transpose = 12, .keep = KeepPolicy::High};
    const std::vector<std::string> options = {"--channels", "10", "--transpose=+12", "--keep",
                                              "high"};
    const auto withOptions = [&](std::vector<std::string> args) {
        args.insert(args.begin(), options.begin(), options.end());
        return Cli(args);
    };
    const ConversionResult expected = ConvertBytes(file, "two.mid", {.choices = choices});
    ASSERT_NE(expected.listing, ConvertBytes(file, "two.mid").listing);
    const CliRun listing = withOptions({"-t", "txt", "two.mid"});
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_EQ(listing.out, RenderListingFile(JoinLines(expected.listing), ListingFileType::Txt));
    EXPECT_NE(listing.err.find(" байт, 1 нот\n"), std::string::npos) << listing.err;
    EXPECT_TRUE(listing.err.ends_with("two.mid: Выключенных нот: 0\ntwo.mid: Пропущенных нот: 1\n"))
        << listing.err;

    const CliRun folder = withOptions({"-d", "out", "two.mid"});
    EXPECT_EQ(folder.exitCode, 0);
    EXPECT_EQ(ReadAll(work() / "out" / "two.inc"),
              RenderListingFile(JoinLines(expected.listing), ListingFileType::Inc));
    const CliRun log = withOptions({"--log", "two.mid"});
    EXPECT_NE(log.err.find("Пропущенных нот: 1"), std::string::npos) << log.err;

    const CliRun svg = withOptions({"--svg", "two.svg", "two.mid"});
    EXPECT_EQ(svg.exitCode, 0);
    const std::string picture = ReadAll(work() / "two.svg");
    // Drawn at the pitches played: channel 1 left out, channel 10 on a voice.
    EXPECT_NE(picture.find("C5 (72), канал 1\n"), std::string::npos) << picture;
    EXPECT_NE(picture.find("не звучит: канал 1 не выбран"), std::string::npos);
    EXPECT_NE(picture.find("C3 (48), канал 10\n"), std::string::npos);

    // Without notes passed over there is no further line.
    const CliRun all = Cli({"--channels", "all", "two.mid"});
    EXPECT_EQ(all.err.find("Пропущенных"), std::string::npos) << all.err;
    const CliRun defaults = Cli({"two.mid"});
    EXPECT_EQ(defaults.out, RenderListingFile(JoinLines(ConvertBytes(file, "two.mid").listing),
                                              ListingFileType::Inc));
}

// --svg writes the arrangement picture of a MIDI file, and nothing for an
// input it refuses.
TEST_F(CliTest, SvgDrawsTheArrangement) {
    const CliRun drawn = Cli({"--svg", "song.svg", "song.mid"});
    ASSERT_TRUE(drawn.finished);
    EXPECT_EQ(drawn.exitCode, 0);
    EXPECT_EQ(drawn.out, "");
    EXPECT_NE(drawn.err.find("Выключенных нот: 0"), std::string::npos) << drawn.err;
    const std::string svg = ReadAll(work() / "song.svg");
    EXPECT_TRUE(svg.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ")) << svg;
    EXPECT_NE(svg.find("<g class=\"note\""), std::string::npos);
    EXPECT_TRUE(svg.ends_with("</svg>\n"));

    // "-" is standard output, and no file of that name is made.
    const CliRun toStdout = Cli({"-q", "--svg", "-", "song.mid"});
    ASSERT_TRUE(toStdout.finished);
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, svg);
    EXPECT_FALSE(fs::exists(work() / "-"));

    WriteAll(work() / "text.mid", std::string("not a MIDI file"));
    const CliRun refused = Cli({"--svg", "text.svg", "text.mid"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(fs::exists(work() / "text.svg"));
    const CliRun overwrite = Cli({"--svg", "song.mid", "song.mid"});
    EXPECT_EQ(overwrite.exitCode, 1);
    EXPECT_EQ(ReadAll(work() / "song.mid").substr(0, 4), "MThd");
}

// Inputs that a build step may meet by mistake or by damage: each gets its
// exit status and message, a refused input has nothing written for it, and
// no input is ever changed.
TEST_F(CliTest, HostileInputs) {
    // A cut-short file: the track claims five bytes more than there are.
    const std::vector<std::uint8_t> cut(song_.begin(), song_.end() - 5);
    WriteAll(work() / "cut.mid", cut);
    WriteAll(work() / "notes.mid", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'});
    WriteAll(work() / "empty.mid", std::string_view());
    WriteAll(work() / "tune.inc", song_);  // a MIDI file with the listing's extension
    fs::create_symlink("song.mid", work() / "link.inc");
    fs::create_hard_link(work() / "song.mid", work() / "hard.inc");
    fs::create_directory(work() / "out");
    WriteAll(work() / "out/a.inc", song_);  // an input in the output folder
    // The longest names a folder takes are 255 bytes: 114 Cyrillic letters
    // and ".mid" are 232.
    std::string cyrillic;
    for (int i = 0; i < 114; ++i)
        cyrillic += "ж";
    WriteAll(work() / (cyrillic + ".mid"), song_);
    WriteAll(work() / (cyrillic + ".inc"), {'o', 'l', 'd'});
    // A result the user made read-only, in a folder that takes new files.
    WriteAll(work() / "ro.inc", {'o', 'l', 'd'});
    fs::permissions(work() / "ro.inc", fs::perms(0444));

    const std::string song = ReadAll(work() / "song.mid");
    const struct {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        std::string message;   // in standard error
        std::string output;    // the file written, empty for none (or standard output)
        std::string expected;  // its bytes, or standard output's
    } cases[] = {
        {"text file", {"notes.mid"}, 1, "notes.mid: not a MIDI file", "", ""},
        {"text file to a folder", {"-d", "out", "notes.mid"}, 1, "not a MIDI file", "", ""},
        {"empty file", {"-o", "empty.inc", "empty.mid"}, 1, "not a MIDI file", "", ""},
        {"cut short",
         {"-q", "cut.mid"},
         3,
         "warning: cut.mid: Неожиданный конец файла",
         "",
         Expected(cut, "cut.mid", ListingFileType::Inc)},
        {"cut short to a file",
         {"-q", "-o", "cut.zum", "cut.mid"},
         3,
         "Неожиданный конец файла",
         "cut.zum",
         Expected(cut, "cut.mid", ListingFileType::Zum)},
        {"one of two cut short",
         {"-q", "-d", "new", "song.mid", "cut.mid"},
         3,
         "Неожиданный конец файла",
         "new/cut.inc",
         Expected(cut, "cut.mid", ListingFileType::Inc)},
        {"-o is the input", {"-o", "song.mid", "song.mid"}, 1, "is an input file", "", ""},
        {"-o is the input by another path",
         {"-o", "./../work/song.mid", "song.mid"},
         1,
         "is an input file",
         "",
         ""},
        {"-o is a link to the input",
         {"-o", "link.inc", "song.mid"},
         1,
         "is an input file",
         "",
         ""},
        {"-o is a hard link to the input",
         {"-o", "hard.inc", "song.mid"},
         1,
         "is an input file",
         "",
         ""},
        {"-d output is the input", {"-d", ".", "tune.inc"}, 1, "is an input file", "", ""},
        {"-d output is another input",
         {"-q", "-d", "out", "song.mid", "a.mid", "out/a.inc"},
         1,
         "a.mid: not converted: the output out/a.inc is an input file",
         "out/song.inc",
         Expected(song_, "song.mid", ListingFileType::Inc)},
        {"read-only target is kept",
         {"-q", "-o", "ro.inc", "song.mid"},
         1,
         "song.mid: Cannot create file ro.inc: Permission denied",
         "ro.inc",
         "old"},
        {"read-only picture target is kept",
         {"-q", "--svg", "ro.inc", "song.mid"},
         1,
         "song.mid: Cannot create file ro.inc: Permission denied",
         "ro.inc",
         "old"},
        {"picture to a missing folder",
         {"-q", "--svg", "missing/out.svg", "song.mid"},
         1,
         "song.mid: Cannot create file missing/out.svg: No such file or directory",
         "",
         ""},
        {"-o names a folder",
         {"-q", "-o", "out", "song.mid"},
         1,
         "song.mid: Cannot create file out: Is a directory",
         "",
         ""},
        {"232-byte Cyrillic name to a folder",
         {"-q", "-d", "new", cyrillic + ".mid"},
         0,
         "",
         "new/" + cyrillic + ".inc",
         Expected(song_, cyrillic + ".mid", ListingFileType::Inc)},
        {"232-byte Cyrillic name replacing a file",
         {"-q", "-o", cyrillic + ".inc", cyrillic + ".mid"},
         0,
         "",
         cyrillic + ".inc",
         Expected(song_, cyrillic + ".mid", ListingFileType::Inc)},
    };
    WriteAll(work() / "a.mid", song_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::set<std::string> before = Names(work());
        const std::set<std::string> outBefore = Names(work() / "out");
        const fs::path output = work() / c.output;
        const bool outputExisted = !c.output.empty() && fs::exists(output);
        const std::string oldOutput = outputExisted ? ReadAll(output) : "";
        const CliRun run = Cli(c.args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        if (c.output.empty()) {
            EXPECT_EQ(run.out, c.expected);
        } else {
            EXPECT_EQ(ReadAll(output), c.expected);
            if (outputExisted) {
                WriteAll(output, oldOutput);
            } else {
                fs::remove(output);
            }
        }
        fs::remove_all(work() / "new");
        // Nothing else was written: no file for a refused input, no
        // temporary file left.
        EXPECT_EQ(Names(work()), before);
        EXPECT_EQ(Names(work() / "out"), outBefore);
        // No input changed, whatever name led to it.
        EXPECT_EQ(ReadAll(work() / "song.mid"), song);
        EXPECT_EQ(ReadAll(work() / "tune.inc"), song);
        EXPECT_EQ(ReadAll(work() / "out/a.inc"), song);
        EXPECT_TRUE(fs::is_symlink(work() / "link.inc"));
        EXPECT_EQ(fs::status(work() / "ro.inc").permissions() & fs::perms::all, fs::perms(0444));
    }
}

// A link that another user planted in a shared folder (sticky, writable by
// all, as /tmp) is not written through: the kernel's link protection refuses
// to follow it, and the converter refuses it alike, whether or not that
// protection is on here. A link the user or the folder's owner made there is
// followed as anywhere else.
TEST_F(CliTest, LinkPlantedInASharedFolderIsNotWrittenThrough) {
    const auto nobody = tonvell_test::OtherUserForTests();
    if (!nobody) {
        GTEST_SKIP() << "planting a link as another user needs the superuser";
    }
    const fs::path shared = work() / "shared";
    tonvell_test::MakeSharedFolder(shared);
    const fs::path victim = work() / "victim.txt";
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* link;  // in the shared folder, aimed at victim.txt
        bool planted;      // made by nobody in a folder the user owns
        std::string message;
    } cases[] = {
        {"-o",
         {"-q", "-o", "shared/out.inc", "song.mid"},
         "out.inc",
         true,
         "song.mid: Cannot create file shared/out.inc: Permission denied"},
        {"-d",
         {"-q", "-d", "shared", "song.mid"},
         "song.inc",
         true,
         "Cannot create file shared/song.inc: Permission denied"},
        {"--svg",
         {"-q", "--svg", "shared/out.svg", "song.mid"},
         "out.svg",
         true,
         "song.mid: Cannot create file shared/out.svg: Permission denied"},
        {"the user's own link", {"-q", "-o", "shared/out.inc", "song.mid"}, "out.inc", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(victim, std::string("old"));
        const fs::path link = shared / c.link;
        fs::create_symlink("../victim.txt", link);
        if (c.planted) {
            ASSERT_TRUE(tonvell_test::GiveTo(link, *nobody));
        }
        const CliRun run = Cli(c.args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, c.planted ? 1 : 0) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadAll(victim) == "old", c.planted);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(Names(shared), std::set<std::string>{c.link});  // no temporary file left
        fs::remove(link);
    }
    // A pipe planted there that nobody reads is refused at once, never
    // waited on.
    const fs::path pipe = shared / "out.inc";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
    ASSERT_TRUE(tonvell_test::GiveTo(pipe, *nobody));
    const CliRun run = Cli({"-q", "-o", "shared/out.inc", "song.mid"});
    ASSERT_TRUE(run.finished) << "the converter waited on a planted pipe";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Cannot create file shared/out.inc: "), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// Inputs that are no files on the disk: a named pipe whose writer finishes at
// once, standard input, and a process substitution.
TEST_F(CliTest, PipesAreReadOnce) {
    const std::string expected = Expected(song_, "song.mid", ListingFileType::Inc);
    const fs::path pipe = work() / "song.mid.pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // The writer opens the pipe as soon as the converter does, writes the
        // file and is gone. It never waits for ever itself: it gives up when
        // no reader comes.
        std::thread writer([&] {
            for (int tries = 0; tries < 6000; ++tries) {
                const int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    fcntl(fd, F_SETFL, 0);
                    [[maybe_unused]] const auto n = write(fd, song_.data(), song_.size());
                    close(fd);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        const CliRun run = Cli({"-q", "song.mid.pipe"});
        writer.join();
        ASSERT_TRUE(run.finished) << "the converter hung on a named pipe";
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, Expected(song_, "song.mid.pipe", ListingFileType::Inc));
    }

    const CliRun fromStdin = Cli({"-q", "/dev/stdin"}, "", (work() / "song.mid").string());
    ASSERT_TRUE(fromStdin.finished);
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, Expected(song_, "stdin", ListingFileType::Inc));

    const CliRun substituted = Shell("\"$CLI\" -q -t zum <(cat song.mid)");
    ASSERT_TRUE(substituted.finished);
    EXPECT_EQ(substituted.exitCode, 0) << substituted.err;
    EXPECT_EQ(substituted.out, Expected(song_, "song.mid", ListingFileType::Zum));

    const CliRun textPiped = Shell("echo hello | \"$CLI\" -q -d out /dev/stdin");
    ASSERT_TRUE(textPiped.finished);
    EXPECT_EQ(textPiped.exitCode, 1);
    EXPECT_NE(textPiped.err.find("not a MIDI file"), std::string::npos) << textPiped.err;
    EXPECT_FALSE(fs::exists(work() / "out/stdin.inc"));

    // A stream is read one byte past the limit: its size is not known.
    const CliRun largePiped = Shell("head -c 300000 /dev/zero | \"$CLI\" -q -d out /dev/stdin");
    ASSERT_TRUE(largePiped.finished);
    EXPECT_EQ(largePiped.exitCode, 1);
    EXPECT_EQ(largePiped.err, "tonvell-cli: /dev/stdin: too large: more than 250000 bytes\n");
    EXPECT_FALSE(fs::exists(work() / "out/stdin.inc"));
}

TEST_F(CliTest, HelpAndVersion) {
    const struct {
        std::vector<std::string> args;
        const char* starts;
    } cases[] = {
        {{"-h"}, "Usage: tonvell-cli"},
        {{"--help"}, "Usage: tonvell-cli"},
        {{"--help", "a.mid", "b.mid"}, "Usage: tonvell-cli"},
        {{"--version"}, "tonvell-cli "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const CliRun run = Cli(c.args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.starts_with(c.starts)) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(CliTest, WriteFailures) {
    if (!fs::is_character_file("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const struct {
        std::vector<std::string> args;
        std::string stdoutPath;
        std::string message;
    } cases[] = {
        {{"-o", "/dev/full", "song.mid"}, "", "Cannot write file /dev/full"},
        {{"-t", "zum", "-o", "/dev/full", "song.mid"}, "", "Cannot write file /dev/full"},
        {{"-o", "missing/out.inc", "song.mid"}, "", "Cannot create file missing/out.inc"},
        {{"song.mid"}, "/dev/full", "song.mid"},
        {{"--log", "song.mid"}, "/dev/full", "song.mid"},
        {{"--svg", "-", "song.mid"}, "/dev/full", "cannot write the picture of song.mid"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line + "> " + c.stdoutPath);
        const CliRun run = Cli(c.args, c.stdoutPath);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    EXPECT_FALSE(fs::exists(work() / "missing"));
}

}  // namespace
}  // namespace tonvell
