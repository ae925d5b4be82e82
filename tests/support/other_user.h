// SPDX-License-Identifier: MIT
#pragma once
// Files another user made, for the tests of what the program does with what
// others plant in folders they share with the user: the superuser hands a
// link, pipe or file it made to user nobody, which is then owned exactly as
// if nobody had made it.

#include <filesystem>
#include <optional>

namespace tonvell_test {

struct OtherUser {
    unsigned uid = 0;
    unsigned gid = 0;
};

// User nobody, when the tests run as the superuser and may hand files to it;
// nothing otherwise (a test that needs one then skips).
std::optional<OtherUser> OtherUserForTests();

// Makes path (a link itself, not what it names) belong to user; false when
// that failed.
bool GiveTo(const std::filesystem::path& path, const OtherUser& user);

// A folder everybody may write and that keeps each entry to its owner, as
// /tmp is (mode 1777).
void MakeSharedFolder(const std::filesystem::path& folder);

}  // namespace tonvell_test
