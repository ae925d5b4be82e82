#include "output/file_replace.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace tonvell {

namespace fs = std::filesystem;

namespace {

WriteOutcome WriteInPlace(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return WriteOutcome::CannotCreate;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return out ? WriteOutcome::Written : WriteOutcome::CannotWrite;
}

fs::path TemporaryBeside(const fs::path& target) {
    std::random_device random;
    const auto tag = std::to_string(random()) + std::to_string(random());
    // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on
    // "." + std::string.
    std::string name = ".";
    name += target.filename().string();
    name += '.';
    name += tag;
    name += ".tmp";
    return target.parent_path() / name;
}

}  // namespace

WriteOutcome WriteFileReplacing(const std::string& pathText, std::string_view bytes) {
    std::error_code ec;
    fs::path target(pathText);
    if (pathText.empty() || fs::is_directory(target, ec)) {
        return WriteOutcome::CannotCreate;
    }
    // Write through a link to the file it names, so the link stays a link;
    // a link to a file not there yet gets that file, as a plain write would.
    for (int hops = 0; fs::is_symlink(target, ec); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec || hops == 40) {
            return WriteOutcome::CannotCreate;  // unreadable or looping links
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    const bool exists = fs::exists(target, ec);
    if (exists && !fs::is_regular_file(target, ec)) {
        return WriteInPlace(target, bytes);
    }
    const fs::path temporary = TemporaryBeside(target);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
        // A writable file in a folder that takes no new files can still be
        // replaced in place.
        return exists ? WriteInPlace(target, bytes) : WriteOutcome::CannotCreate;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        fs::remove(temporary, ec);
        return WriteOutcome::CannotWrite;
    }
    if (exists) {
        // Keep the permissions the user gave the file being replaced.
        fs::permissions(temporary, fs::status(target, ec).permissions(), ec);
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return WriteOutcome::CannotWrite;
    }
    return WriteOutcome::Written;
}

}  // namespace tonvell
