// SPDX-License-Identifier: MIT
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/serial_write.h"

namespace tonvell::playback {

namespace {

bool DeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

}  // namespace

SerialWriteResult WriteSerialPair(std::intptr_t handle, std::uint8_t first, std::uint8_t second,
                                  std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const int fd = static_cast<int>(handle);
    const unsigned char bytes[2] = {first, second};
    const Clock::time_point deadline = Clock::now() + timeout;
    std::size_t written = 0;
    while (written < sizeof bytes) {
        const ssize_t n = ::write(fd, bytes + written, sizeof bytes - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return DeviceGone(errno) ? SerialWriteResult::Lost : SerialWriteResult::Failed;
        }
        // The line's buffer is full: wait for room until the deadline.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd wanted{fd, POLLOUT, 0};
        const int ready = left.count() > 0 ? ::poll(&wanted, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready > 0 && (wanted.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return SerialWriteResult::Lost;
        }
        if (ready <= 0) {
            ::tcflush(fd, TCOFLUSH);
            return SerialWriteResult::Failed;
        }
    }
    return SerialWriteResult::Written;
}

}  // namespace tonvell::playback
