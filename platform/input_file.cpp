// SPDX-License-Identifier: MIT
// What the input backends (input_file_posix.cpp, input_file_windows.cpp)
// share.
#include "platform/input_file.h"

namespace tonvell::cli {

void InputFile::KeepRead(std::size_t got) {
    buffer_.resize(got);
    size_ = static_cast<std::int64_t>(got);
    if (got > static_cast<std::size_t>(maxBytes_)) {
        state_ = State::TooLarge;
        buffer_.clear();
        return;
    }
    bytes_ = buffer_;
}

}  // namespace tonvell::cli
