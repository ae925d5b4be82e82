// SPDX-License-Identifier: MIT
// What the input backends (input_file_posix.cpp, input_file_windows.cpp)
// share.
#include <algorithm>
#include <iterator>

#include "cli/input_file.h"
#include "convert/native_path.h"

namespace tonvell::cli {

bool InputFile::LooksLikeMidi() const {
    static constexpr std::uint8_t kHeaderType[] = {'M', 'T', 'h', 'd'};
    return bytes_.size() >= sizeof kHeaderType &&
           std::equal(std::begin(kHeaderType), std::end(kHeaderType), bytes_.begin());
}

void InputFile::KeepRead(std::size_t got) {
    buffer_.resize(got);
    size_ = static_cast<std::int64_t>(got);
    if (got > static_cast<std::size_t>(kMaxInputBytes)) {
        state_ = State::TooLarge;
        buffer_.clear();
        return;
    }
    bytes_ = buffer_;
}

std::string InputFileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

}  // namespace tonvell::cli
