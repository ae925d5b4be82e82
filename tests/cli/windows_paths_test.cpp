// SPDX-License-Identifier: MIT
// Windows only: tonvell-cli.exe with the names Windows users have (Cyrillic
// folders and files, spaces, both separators, drive letters, extended-length
// paths), its refusals (an output that is an input, a read-only target, a
// missing folder) and the backends behind them.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/cp1251.h"
#include "output/file_replace.h"
#include "platform/file_identity.h"
#include "platform/native_path.h"
#include "tests/support/midi_builder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using midi_test::Bytes;
using midi_test::Cat;
using midi_test::EndOfTrack;
using midi_test::Ev;
using midi_test::Format0;
using tonvell::PathFromUtf8;
using tonvell::Utf8FromPath;
using tonvell_test::ReadAll;
using tonvell_test::TempDir;

const Bytes kSong =
    Format0(96, Cat({Ev(0, {0x90, 0x3C, 0x64}), Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()}));

// tonvell-cli.exe is built next to the tests.
fs::path CliPath() {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return fs::path(self).parent_path() / L"tonvell-cli.exe";
}

struct CliRun {
    DWORD status = 0;
    std::string out;
    std::string err;
};

HANDLE InheritableFile(const fs::path& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs tonvell-cli.exe with args (UTF-8) in folder; standard input from
// stdinFile when given, else empty.
CliRun Cli(const std::vector<std::string>& args, const fs::path& folder,
           const fs::path& stdinFile = {}) {
    std::wstring line = L"\"" + CliPath().wstring() + L"\"";
    for (const auto& arg : args)
        line += L" \"" + PathFromUtf8(arg).wstring() + L"\"";
    const fs::path outFile = folder / L"cli-stdout.tmp";
    const fs::path errFile = folder / L"cli-stderr.tmp";
    const HANDLE out = InheritableFile(outFile, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = InheritableFile(errFile, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE in = stdinFile.empty() ? InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING)
                                        : InheritableFile(stdinFile, GENERIC_READ, OPEN_EXISTING);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    CliRun run;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        run.status = 0xDEAD;
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadAll(outFile);
    run.err = ReadAll(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return run;
}

std::string SongText() {
    return std::string(kSong.begin(), kSong.end());
}

// The names in a folder (the temporary files of a save must not stay).
std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(Utf8FromPath(entry.path().filename()));
    return names;
}

struct NameCase {
    const char* name;
    const char* folder;  // made under the temporary folder
    const char* file;
    // How the input is named on the command line, from the folder and file
    // (relative to the temporary folder) and the temporary folder itself.
    std::string (*input)(const std::string& relative, const fs::path& root);
};

class CliNames : public ::testing::TestWithParam<NameCase> {};

// The input is converted, its name (without folder) is in the listing in
// Windows-1251, and -o writes next to it under a name of the same kind.
TEST_P(CliNames, ConvertedAndNamedInTheListing) {
    const NameCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir / c.folder);
    tonvell_test::WriteAll(dir / (std::string(c.folder) + "/" + c.file), SongText());
    const std::string relative = std::string(c.folder) + "/" + c.file;
    const std::string input = c.input(relative, dir.path());
    const std::string output = std::string(c.folder) + "/" + "вывод с пробелом.inc";

    const CliRun toFile = Cli({"-q", "-o", output, input}, dir.path());
    ASSERT_EQ(toFile.status, 0u) << toFile.err;
    const std::string written = ReadAll(dir / output);
    EXPECT_THAT(written, ::testing::HasSubstr("; " + tonvell::Utf8ToCp1251(c.file) + "\r\n"));

    // Standard output carries the same bytes: no CR added before LF.
    const CliRun toStdout = Cli({"-q", input}, dir.path());
    ASSERT_EQ(toStdout.status, 0u) << toStdout.err;
    EXPECT_EQ(toStdout.out, written);
    EXPECT_EQ(toStdout.out.find("\r\r"), std::string::npos);
}

std::string AsGiven(const std::string& relative, const fs::path&) {
    return relative;
}
std::string WithBackslashes(const std::string& relative, const fs::path&) {
    std::string path = relative;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}
std::string FromDriveLetter(const std::string& relative, const fs::path& root) {
    return Utf8FromPath(fs::absolute(root / PathFromUtf8(relative)).make_preferred());
}
std::string ExtendedLength(const std::string& relative, const fs::path& root) {
    return "\\\\?\\" + FromDriveLetter(relative, root);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CliNames,
    ::testing::Values(NameCase{"CyrillicFolderAndFile", "папка", "песня.mid", AsGiven},
                      NameCase{"Spaces", "my songs", "first song.mid", AsGiven},
                      NameCase{"Backslashes", "папка\\вложенная", "мелодия 2.mid", WithBackslashes},
                      NameCase{"DriveLetter", "Ёлка", "ёлка.mid", FromDriveLetter},
                      NameCase{"ExtendedLength", "long", "song.mid", ExtendedLength}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliStandardInput, DashReadsStandardInput) {
    TempDir dir;
    const fs::path song = dir.Write("song.mid", kSong);
    const CliRun run = Cli({"-q", "-"}, dir.path(), song);
    ASSERT_EQ(run.status, 0u) << run.err;
    EXPECT_THAT(run.out, ::testing::HasSubstr("; -\r\n"));
    EXPECT_THAT(run.out, ::testing::HasSubstr("DB 00h"));
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class CliRefusals : public ::testing::TestWithParam<RefusalCase> {};

// Each refusal: exit status 1, the message, and the input and any old
// output exactly as they were, with no file left behind.
TEST_P(CliRefusals, NothingIsLost) {
    TempDir dir;
    fs::create_directories(dir / "папка");
    dir.Write("папка/песня.mid", kSong);
    dir.Write("old.inc", "old listing\r\n");
    SetFileAttributesW((dir / "old.inc").c_str(), FILE_ATTRIBUTE_READONLY);
    const auto before = NamesIn(dir.path());

    const CliRun run = Cli(GetParam().args, dir.path());
    EXPECT_EQ(run.status, 1u);
    EXPECT_THAT(run.err, ::testing::HasSubstr(GetParam().message));
    EXPECT_EQ(ReadAll(dir / "папка/песня.mid"), SongText());
    EXPECT_EQ(ReadAll(dir / "old.inc"), "old listing\r\n");
    EXPECT_THAT(NamesIn(dir.path()), ::testing::UnorderedElementsAreArray(before));
    EXPECT_THAT(NamesIn(dir / "папка"), ::testing::ElementsAre("песня.mid"));
    SetFileAttributesW((dir / "old.inc").c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, CliRefusals,
    ::testing::Values(
        RefusalCase{
            "OutputIsTheInput", {"-o", "папка/песня.mid", "папка/песня.mid"}, "is an input file"},
        RefusalCase{"OutputIsTheInputByAnotherSpelling",
                    {"-o", ".\\ПАПКА\\ПЕСНЯ.MID", "папка/песня.mid"},
                    "is an input file"},
        RefusalCase{"ReadOnlyTarget", {"-q", "-o", "old.inc", "папка/песня.mid"}, "old.inc"},
        RefusalCase{"MissingFolder",
                    {"-q", "-o", "нет такой папки/x.inc", "папка/песня.mid"},
                    "нет такой папки"}),
    [](const auto& info) { return std::string(info.param.name); });

// Windows names differ in case only: the second input must not replace what
// the first wrote.
TEST(CliOutputFolder, NamesDifferingInCaseAreOneFile) {
    TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    dir.Write("a/Song.mid", kSong);
    const Bytes other = Format0(96, Cat({Ev(0, {0x90, 0x40, 0x64}), EndOfTrack(96)}));
    dir.Write("b/song.mid", other);

    const CliRun run = Cli({"-q", "-d", "out", "a/Song.mid", "b/song.mid"}, dir.path());
    EXPECT_EQ(run.status, 1u);
    EXPECT_THAT(run.err, ::testing::HasSubstr("was already written for another input"));
    EXPECT_THAT(ReadAll(dir / "out/song.inc"), ::testing::HasSubstr("; Song.mid\r\n"));
}

// The same file under every name that leads to it, and only that file.
TEST(WindowsFileIdentity, SameFileWhateverTheName) {
    TempDir dir;
    fs::create_directories(dir / "папка");
    const fs::path file = dir.Write("папка/файл.mid", kSong);
    const fs::path link = dir / "ссылка.mid";
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), file.c_str(), nullptr));
    dir.Write("папка/другой.mid", kSong);

    const std::string root = Utf8FromPath(dir.path());
    const auto identity = tonvell::cli::IdentityOf(root + "/папка/файл.mid");
    ASSERT_TRUE(identity);
    for (const std::string& name : {root + "\\папка\\файл.mid", root + "/ПАПКА/ФАЙЛ.MID",
                                    root + "/папка/../папка/./файл.mid", Utf8FromPath(link)}) {
        EXPECT_EQ(tonvell::cli::IdentityOf(name), identity) << name;
    }
    EXPECT_NE(tonvell::cli::IdentityOf(root + "/папка/другой.mid"), identity);
    EXPECT_FALSE(tonvell::cli::IdentityOf(root + "/папка/нет.mid"));
}

// A save replaces the old file in one step, keeps a read-only one, and
// leaves no temporary file either way.
TEST(WindowsFileReplace, ReplacesOrKeepsTheOldFile) {
    TempDir dir;
    fs::create_directories(dir / "папка");
    const fs::path target = dir.Write("папка/список.inc", "old");
    const std::string path = Utf8FromPath(target);

    EXPECT_EQ(tonvell::WriteFileReplacing(path, "new\r\n"), tonvell::WriteOutcome::Written);
    EXPECT_EQ(ReadAll(target), "new\r\n");

    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_NE(tonvell::WriteFileReplacing(path, "newer"), tonvell::WriteOutcome::Written);
    EXPECT_EQ(ReadAll(target), "new\r\n");
    EXPECT_EQ(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY,
              DWORD{FILE_ATTRIBUTE_READONLY});
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(tonvell::WriteFileReplacing(Utf8FromPath(dir / "нет/x.inc"), "x"),
              tonvell::WriteOutcome::CannotCreate);
    EXPECT_EQ(tonvell::WriteFileReplacing(Utf8FromPath(dir / "папка"), "x"),
              tonvell::WriteOutcome::CannotCreate);
    EXPECT_THAT(NamesIn(dir / "папка"), ::testing::ElementsAre("список.inc"));
}

}  // namespace
