// SPDX-License-Identifier: MIT
#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tonvell_test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const;

    // Writes a file in the folder (name in UTF-8); returns its path.
    std::filesystem::path Write(const std::string& name,
                                const std::vector<std::uint8_t>& bytes) const;
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// A file's bytes; empty when it cannot be read.
std::string ReadAll(const std::filesystem::path& path);

void WriteAll(const std::filesystem::path& path, std::string_view bytes);
void WriteAll(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tonvell_test
