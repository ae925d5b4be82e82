// SPDX-License-Identifier: MIT
// Saving a listing to a file: each file type's bytes at the full path, and a
// failed save that loses nothing.

#include "output/save_listing.h"
#include "tests/support/faulty_file_system.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/other_user.h"
#include "tests/support/temp_dir.h"

namespace tonvell {
namespace {

namespace fs = std::filesystem;

const std::string kListing =
    "; \n; song.mid\n; \nDWL 7 ;size in bytes\n; \nDB 80h ;delay\nDB 51h, F0h\n"
    "DB 83h ;delay\nDB 51h, 80h\nDB 00h ;end of block\n";
const std::string kInc =
    "; \r\n; song.mid\r\n; \r\nDWL 7 ;size in bytes\r\n; \r\nDB 80h ;delay\r\nDB 51h, F0h\r\n"
    "DB 83h ;delay\r\nDB 51h, 80h\r\nDB 00h ;end of block\r\n";
const std::string kZum("\x80\x51\xF0\x83\x51\x80\x00", 7);
const std::string kTxt = "// song.mid\r\n//7 ;size in bytes\r\n0x80,0x51,0xF0,0x83,0x51,0x80,0x00,";
const std::string kOld = "an older file, longer than any of the new contents: " + kInc + kInc;

using tonvell_test::ReadAll;
using tonvell_test::WriteAll;

// Saves as the window's dialog types do: 1 to 3 a type each, 4 by the name's
// extension.
SaveResult SaveAs(std::string_view text, int fileType, const std::string& path,
                  const FileSystem& files = SystemFileSystem()) {
    constexpr ListingFileType kTypes[] = {ListingFileType::Inc, ListingFileType::Zum,
                                          ListingFileType::Txt};
    const ListingFileType type =
        fileType >= 1 && fileType <= 3 ? kTypes[fileType - 1] : FileTypeByExtension(path);
    return SaveListing(text, type, path, files);
}

class SaveListingTest : public ::testing::Test {
protected:
    // Names in the folder, so a left-over temporary file shows up.
    std::set<std::string> Names(const fs::path& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    std::set<std::string> Names() const { return Names(dir_.path()); }

    tonvell_test::TempDir dir_;
};

TEST_F(SaveListingTest, WritesTheChosenTypeToTheFullPath) {
    const struct {
        int fileType;
        const char* name;
        const std::string& bytes;
    } cases[] = {
        {1, "out.inc", kInc}, {2, "out.zum", kZum}, {3, "out.txt", kTxt}, {1, "out.zum", kInc},
        {2, "out.inc", kZum}, {3, "out.inc", kTxt}, {4, "out.zum", kZum}, {4, "out.TXT", kTxt},
        {4, "out.inc", kInc}, {4, "out.dat", kInc}, {4, "out", kInc},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.fileType) + " " + c.name);
        const fs::path path = dir_ / c.name;
        const SaveResult result = SaveAs(kListing, c.fileType, path.string());
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(result.outcome, WriteOutcome::Written);
        EXPECT_EQ(result.message, "");
        EXPECT_EQ(ReadAll(path), c.bytes);
        EXPECT_EQ(Names(), std::set<std::string>{c.name});
        fs::remove(path);
    }
}

TEST_F(SaveListingTest, EmptyListingGivesEmptyDataFiles) {
    for (int fileType : {2, 3}) {
        const fs::path path = dir_ / "empty.out";
        WriteAll(path, kOld);
        ASSERT_TRUE(SaveAs("\n", fileType, path.string()).ok());
        EXPECT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(fs::file_size(path), 0u) << "type " << fileType;
    }
}

TEST_F(SaveListingTest, ReplacesAnExistingFile) {
    for (int fileType : {1, 2, 3}) {
        const fs::path path = dir_ / "song.out";
        WriteAll(path, kOld);
        ASSERT_TRUE(SaveAs(kListing, fileType, path.string()).ok());
        const std::string& expected = fileType == 1 ? kInc : fileType == 2 ? kZum : kTxt;
        EXPECT_EQ(ReadAll(path), expected) << "type " << fileType;
        EXPECT_EQ(Names(), std::set<std::string>{"song.out"});
    }
}

// The write-only file (0200) is read back once its mode was compared and
// reading allowed, as only the superuser reads it as it is.
TEST_F(SaveListingTest, ReplacingKeepsTheFilesPermissions) {
    for (const auto mode : {fs::perms(0600), fs::perms(0640), fs::perms(0200), fs::perms(0755)}) {
        const fs::path path = dir_ / "song.inc";
        WriteAll(path, kOld);
        fs::permissions(path, mode);
        ASSERT_TRUE(SaveAs(kListing, 1, path.string()).ok());
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, mode)
            << "mode " << std::oct << static_cast<int>(mode);
        fs::permissions(path, fs::perms::owner_read, fs::perm_options::add);
        EXPECT_EQ(ReadAll(path), kInc) << "mode " << std::oct << static_cast<int>(mode);
        fs::remove(path);
    }
}

// A file the user made read-only is kept, as copying over it would be
// refused, also when a link names it; the superuser is no exception, since
// such a file was made read-only on purpose. The message is that of any file
// that cannot be made.
TEST_F(SaveListingTest, ReadOnlyFileIsNotReplaced) {
    const struct {
        fs::perms mode;
        const char* target;
    } cases[] = {
        {fs::perms(0444), "song.inc"},
        {fs::perms(0400), "song.inc"},
        {fs::perms(0555), "song.inc"},
        {fs::perms(0444), "link.inc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " mode " + std::to_string(static_cast<int>(c.mode)));
        WriteAll(dir_ / "song.inc", kOld);
        fs::permissions(dir_ / "song.inc", c.mode);
        fs::create_symlink("song.inc", dir_ / "link.inc");
        const std::string path = (dir_ / c.target).string();
        errno = 0;
        const SaveResult result = SaveAs(kListing, 1, path);
        EXPECT_EQ(errno, EACCES);
        EXPECT_EQ(result.outcome, WriteOutcome::CannotCreate);
        EXPECT_EQ(result.message, "Cannot create file " + path);
        EXPECT_EQ(ReadAll(dir_ / "song.inc"), kOld);
        EXPECT_EQ(fs::status(dir_ / "song.inc").permissions() & fs::perms::all, c.mode);
        EXPECT_EQ(Names(), (std::set<std::string>{"link.inc", "song.inc"}));
        fs::remove(dir_ / "link.inc");
        fs::permissions(dir_ / "song.inc", fs::perms(0644));
    }
}

// A file written piece by piece: the target is checked before any byte is
// made, a header is filled in last, and a replacement dropped before it is
// committed, or whose temporary file a signal handler removed, leaves the old
// file and nothing else.
TEST_F(SaveListingTest, FileReplacementPieceByPiece) {
    const fs::path path = dir_ / "song.wav";
    WriteAll(path, kOld);
    {
        FileReplacement file;
        ASSERT_EQ(file.Begin(path.string()), WriteOutcome::Written);
        EXPECT_EQ(Names().size(), 2u);  // the old file and the temporary one
        ASSERT_TRUE(file.Append("....body"));
        ASSERT_TRUE(file.Append(" more"));
        ASSERT_TRUE(file.WriteAt(0, "head"));
        EXPECT_EQ(ReadAll(path), kOld);
        ASSERT_EQ(file.Commit(), WriteOutcome::Written);
    }
    EXPECT_EQ(ReadAll(path), "headbody more");
    EXPECT_EQ(Names(), std::set<std::string>{"song.wav"});

    for (const bool bySignalHandler : {false, true}) {
        SCOPED_TRACE(bySignalHandler ? "removed as by a signal handler" : "dropped");
        FileReplacement file;
        ASSERT_EQ(file.Begin(path.string()), WriteOutcome::Written);
        ASSERT_TRUE(file.Append("new bytes"));
        if (bySignalHandler) {
            EXPECT_TRUE(RemoveUnfinishedTemporaryFile());
            EXPECT_EQ(Names(), std::set<std::string>{"song.wav"});
            EXPECT_EQ(file.Commit(), WriteOutcome::CannotWrite);
        } else {
            file.Abandon();
        }
        EXPECT_EQ(ReadAll(path), "headbody more");
        EXPECT_EQ(Names(), std::set<std::string>{"song.wav"});
    }

    FileReplacement missing;
    errno = 0;
    EXPECT_EQ(missing.Begin((dir_ / "missing" / "song.wav").string()), WriteOutcome::CannotCreate);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(missing.Begin(dir_.path().string()), WriteOutcome::CannotCreate);
    EXPECT_EQ(errno, EISDIR);
}

TEST_F(SaveListingTest, LinkStaysALinkAndItsFileIsWritten) {
    fs::create_directory(dir_ / "sub");
    const struct {
        const char* what;
        fs::path linkTarget;  // as stored in the link
        fs::path file;        // the file it names
        bool fileExists;
    } cases[] = {
        {"relative link", "sub/real.inc", dir_ / "sub/real.inc", true},
        {"absolute link", dir_ / "sub/real.inc", dir_ / "sub/real.inc", true},
        {"link to a file not there yet", "sub/new.inc", dir_ / "sub/new.inc", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.fileExists)
            WriteAll(c.file, kOld);
        const fs::path link = dir_ / "link.inc";
        fs::create_symlink(c.linkTarget, link);
        ASSERT_TRUE(SaveAs(kListing, 1, link.string()).ok());
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
        EXPECT_EQ(fs::read_symlink(link), c.linkTarget);
        EXPECT_EQ(ReadAll(c.file), kInc);
        EXPECT_EQ(Names(dir_ / "sub"), std::set<std::string>{c.file.filename().string()});
        fs::remove(link);
        fs::remove(c.file);
    }
}

// A link in a shared folder (sticky, writable by all, as /tmp) is followed
// only when the user or the folder's owner made it, as the kernel's link
// protection (fs.protected_symlinks) follows it; where that protection is
// on, the system refuses first, elsewhere the save's own check does. A
// refused save keeps the file the link names and the link.
TEST_F(SaveListingTest, LinkAnotherUserPlantedInASharedFolderIsRefused) {
    const auto nobody = tonvell_test::OtherUserForTests();
    if (!nobody) {
        GTEST_SKIP() << "planting a link as another user needs the superuser";
    }
    const struct {
        const char* what;
        bool linkByOther;
        bool folderByOther;
        bool refused;
    } cases[] = {
        {"planted by another user", true, false, true},
        {"made by the folder's owner", true, true, false},
        {"made by the user", false, false, false},
    };
    const fs::path shared = dir_ / "shared";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        tonvell_test::MakeSharedFolder(shared);
        if (c.folderByOther) {
            ASSERT_TRUE(tonvell_test::GiveTo(shared, *nobody));
        }
        WriteAll(dir_ / "victim.inc", kOld);
        const fs::path link = shared / "link.inc";
        fs::create_symlink("../victim.inc", link);
        if (c.linkByOther) {
            ASSERT_TRUE(tonvell_test::GiveTo(link, *nobody));
        }
        ASSERT_TRUE(SystemFileSystem().LinkTarget(link.string()));
        EXPECT_EQ(SystemFileSystem().LinkTarget(link.string())->planted, c.refused);
        errno = 0;
        const SaveResult result = SaveAs(kListing, 1, link.string());
        if (c.refused) {
            EXPECT_EQ(result.outcome, WriteOutcome::CannotCreate);
            EXPECT_EQ(errno, EACCES);
            EXPECT_EQ(result.message, "Cannot create file " + link.string());
            EXPECT_EQ(ReadAll(dir_ / "victim.inc"), kOld);
        } else {
            EXPECT_TRUE(result.ok());
            EXPECT_EQ(ReadAll(dir_ / "victim.inc"), kInc);
        }
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
        EXPECT_EQ(Names(shared), std::set<std::string>{"link.inc"});
        fs::remove_all(shared);
    }
}

// A signal that comes right after the rename, before the temporary file is
// forgotten, finds nothing to remove: the handler then does not claim that
// the target was kept, for it was replaced.
TEST_F(SaveListingTest, SignalRightAfterTheRenameFindsTheTargetReplaced) {
    const fs::path path = dir_ / "song.inc";
    WriteAll(path, kOld);
    tonvell_test::FaultyFileSystem files(tonvell_test::FaultyFileSystem::Step::None);
    std::optional<bool> removed;
    files.afterRename = [&] { removed = RemoveUnfinishedTemporaryFile(); };
    EXPECT_TRUE(SaveAs(kListing, 1, path.string(), files).ok());
    EXPECT_EQ(removed, std::optional<bool>(false));
    EXPECT_EQ(ReadAll(path), kInc);
    EXPECT_EQ(Names(), std::set<std::string>{"song.inc"});
}

TEST_F(SaveListingTest, PathThatCannotBeCreated) {
    fs::create_directory(dir_ / "folder.inc");
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"folder that does not exist", (dir_ / "missing" / "out.inc").string()},
        {"folder below a file", (dir_ / "file" / "out.inc").string()},
        {"an existing folder", (dir_ / "folder.inc").string()},
        {"empty name", ""},
        {"link that names itself", (dir_ / "loop.inc").string()},
    };
    WriteAll(dir_ / "file", kOld);
    fs::create_symlink("loop.inc", dir_ / "loop.inc");
    for (const auto& c : cases) {
        for (int fileType : {1, 2, 3, 4}) {
            SCOPED_TRACE(std::string(c.what) + ", type " + std::to_string(fileType));
            const SaveResult result = SaveAs(kListing, fileType, c.path);
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.outcome, WriteOutcome::CannotCreate);
            EXPECT_EQ(result.message, "Cannot create file " + c.path);
        }
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"file", "folder.inc", "loop.inc"}));
    EXPECT_TRUE(fs::is_symlink(dir_ / "loop.inc"));
    EXPECT_EQ(ReadAll(dir_ / "file"), kOld);
    EXPECT_TRUE(fs::is_empty(dir_ / "folder.inc"));
}

// Whatever step of a save fails, the old file keeps its bytes and no
// temporary file is left; a folder that takes no new file refuses the save
// even when the target itself could be written.
TEST_F(SaveListingTest, FailureAtAnyStepKeepsTheOldFile) {
    using tonvell_test::FaultyFileSystem;
    using Step = FaultyFileSystem::Step;
    const struct {
        Step step;
        WriteOutcome outcome;
        const char* message;
    } cases[] = {
        {Step::CreateNew, WriteOutcome::CannotCreate, "Cannot create file "},
        {Step::Write, WriteOutcome::CannotWrite, "Cannot write file "},
        {Step::Sync, WriteOutcome::CannotWrite, "Cannot write file "},
        {Step::Close, WriteOutcome::CannotWrite, "Cannot write file "},
        {Step::Rename, WriteOutcome::CannotWrite, "Cannot write file "},
    };
    fs::create_directory(dir_ / "sub");
    for (const auto& c : cases) {
        for (const char* target : {"song.inc", "link.inc", "new.inc"}) {
            for (int fileType : {1, 2, 3}) {
                SCOPED_TRACE(std::string(target) + " type " + std::to_string(fileType) + " step " +
                             std::to_string(static_cast<int>(c.step)));
                WriteAll(dir_ / "song.inc", kOld);
                WriteAll(dir_ / "sub/real.inc", kOld);
                fs::create_symlink("sub/real.inc", dir_ / "link.inc");
                const std::string path = (dir_ / target).string();
                const FaultyFileSystem files(c.step);
                const SaveResult result = SaveAs(kListing, fileType, path, files);
                EXPECT_EQ(result.outcome, c.outcome);
                EXPECT_EQ(result.message, c.message + path);
                EXPECT_EQ(ReadAll(dir_ / "song.inc"), kOld);
                EXPECT_EQ(ReadAll(dir_ / "sub/real.inc"), kOld);
                EXPECT_TRUE(fs::is_symlink(dir_ / "link.inc"));
                EXPECT_EQ(Names(), (std::set<std::string>{"link.inc", "song.inc", "sub"}));
                EXPECT_EQ(Names(dir_ / "sub"), std::set<std::string>{"real.inc"});
                // Never a write into the old file itself.
                for (const std::string& step : files.steps) {
                    EXPECT_FALSE(step.starts_with("open ")) << step;
                }
                fs::remove(dir_ / "link.inc");
            }
        }
    }
}

// The bytes reach the disk before the rename and the rename reaches it after;
// the temporary file has a short name in the target's folder, so that the
// longest names a folder takes (255 bytes) still save.
TEST_F(SaveListingTest, TemporaryFileIsShortAndSyncedAroundTheRename) {
    fs::create_directory(dir_ / "sub");
    std::string longName;
    while (longName.size() < 250)
        longName += "ж";  // two bytes each
    longName += ".inc";
    for (const std::string& name : {std::string("song.inc"), longName}) {
        SCOPED_TRACE(name.size());
        const fs::path path = dir_ / "sub" / name;
        WriteAll(path, kOld);
        const tonvell_test::FaultyFileSystem files(tonvell_test::FaultyFileSystem::Step::None);
        ASSERT_TRUE(SaveAs(kListing, 1, path.string(), files).ok());
        EXPECT_EQ(ReadAll(path), kInc);
        ASSERT_EQ(files.steps.size(), 6u);
        ASSERT_TRUE(files.steps[0].starts_with("create "));
        const fs::path temporary = files.steps[0].substr(7);
        EXPECT_EQ(temporary.parent_path(), dir_ / "sub");
        EXPECT_LE(temporary.filename().string().size(), 16u);
        EXPECT_EQ(std::vector<std::string>(files.steps.begin() + 1, files.steps.end()),
                  (std::vector<std::string>{"write", "sync", "close", "rename",
                                            "sync folder " + (dir_ / "sub").string()}));
        EXPECT_EQ(Names(dir_ / "sub"), std::set<std::string>{name});
        fs::remove(path);
    }
}

// A pipe that nobody reads fails at once rather than waiting for a reader.
TEST_F(SaveListingTest, PipeWithoutReaderFailsAtOnce) {
    const fs::path pipe = dir_ / "pipe.inc";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const SaveResult result = SaveAs(kListing, 1, pipe.string());
    EXPECT_EQ(result.outcome, WriteOutcome::CannotCreate);
    EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(SaveListingTest, DeviceThatCannotTakeTheBytes) {
    const fs::path full = "/dev/full";
    if (!fs::is_character_file(full)) {
        GTEST_SKIP() << "no /dev/full here";
    }
    for (int fileType : {1, 2, 3, 4}) {
        SCOPED_TRACE(fileType);
        const SaveResult result = SaveAs(kListing, fileType, full.string());
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.outcome, WriteOutcome::CannotWrite);
        EXPECT_EQ(result.message, "Cannot write file /dev/full");
        EXPECT_TRUE(fs::is_character_file(full));
    }
}

// Saves in a child process whose file size limit lets no file grow past a few
// bytes, so every write of the listing fails the way a full disk fails.
// Returns the child's outcome, or nothing if it did not end normally.
std::optional<WriteOutcome> SaveWithTinyFileLimit(int fileType, const fs::path& path,
                                                  std::string& message) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        alarm(60);  // never outlive a stuck save
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4, 4};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(100);
        const SaveResult result = SaveAs(kListing, fileType, path.string());
        const ssize_t written = write(pipeFds[1], result.message.data(), result.message.size());
        _exit(written == static_cast<ssize_t>(result.message.size())
                  ? static_cast<int>(result.outcome)
                  : 101);
    }
    close(pipeFds[1]);
    if (child < 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }
    char buffer[512];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, got);
    close(pipeFds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 2) {
        return std::nullopt;
    }
    return static_cast<WriteOutcome>(WEXITSTATUS(status));
}

TEST_F(SaveListingTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    for (int fileType : {1, 2, 3}) {
        SCOPED_TRACE(fileType);
        const fs::path path = dir_ / "song.out";
        WriteAll(path, kOld);
        fs::permissions(path, fs::perms(0640));
        std::string message;
        const auto outcome = SaveWithTinyFileLimit(fileType, path, message);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(*outcome, WriteOutcome::CannotWrite);
        EXPECT_EQ(message, "Cannot write file " + path.string());
        EXPECT_EQ(ReadAll(path), kOld);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
        EXPECT_EQ(Names(), std::set<std::string>{"song.out"});
    }
}

TEST_F(SaveListingTest, FailedWriteOfANewFileLeavesNothing) {
    std::string message;
    const fs::path path = dir_ / "new.inc";
    const auto outcome = SaveWithTinyFileLimit(1, path, message);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(*outcome, WriteOutcome::CannotWrite);
    EXPECT_EQ(message, "Cannot write file " + path.string());
    EXPECT_TRUE(Names().empty());
}

}  // namespace
}  // namespace tonvell
