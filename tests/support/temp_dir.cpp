// SPDX-License-Identifier: MIT
#include "tests/support/temp_dir.h"

#include "platform/native_path.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace tonvell_test {

namespace fs = std::filesystem;

#if defined(_WIN32)

// Windows has no mkdtemp: a random name, made only when nothing has it yet.
TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path folder =
            fs::temp_directory_path() / ("tonvell-test-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(folder, ec)) {
            path_ = folder;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

#else

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tonvell-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

#endif

TempDir::~TempDir() {
    std::error_code ec;
    // Folders a test left without write permission are opened again first.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

fs::path TempDir::operator/(const std::string& name) const {
    return path_ / tonvell::PathFromUtf8(name);
}

fs::path TempDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const fs::path file = path_ / tonvell::PathFromUtf8(name);
    WriteAll(file, bytes);
    return file;
}

fs::path TempDir::Write(const std::string& name, std::string_view bytes) const {
    const fs::path file = path_ / tonvell::PathFromUtf8(name);
    WriteAll(file, bytes);
    return file;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    WriteAll(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace tonvell_test
