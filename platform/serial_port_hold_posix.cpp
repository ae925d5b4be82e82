// SPDX-License-Identifier: MIT
#include <sys/file.h>

#include <cerrno>

#include "platform/serial_port_hold.h"

namespace tonvell::playback {

bool HoldExclusively(std::intptr_t handle) {
    int result = 0;
    do {
        result = ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    // A device whose file system takes no locks is held by nobody else.
    return result == 0 || (errno != EWOULDBLOCK && errno != EAGAIN);
}

}  // namespace tonvell::playback
