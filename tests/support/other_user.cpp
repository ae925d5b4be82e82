// SPDX-License-Identifier: MIT
#include "tests/support/other_user.h"

#include <pwd.h>
#include <unistd.h>

namespace tonvell_test {

std::optional<OtherUser> OtherUserForTests() {
    if (geteuid() != 0) {
        return std::nullopt;
    }
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr || nobody->pw_uid == 0) {
        return std::nullopt;
    }
    return OtherUser{nobody->pw_uid, nobody->pw_gid};
}

bool GiveTo(const std::filesystem::path& path, const OtherUser& user) {
    return lchown(path.c_str(), user.uid, user.gid) == 0;
}

void MakeSharedFolder(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms(01777));
}

}  // namespace tonvell_test
