// SPDX-License-Identifier: MIT
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/thread_priority.h"

#ifdef __linux__
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif

namespace tonvell {

namespace {

// Low in the real-time range: above every ordinary thread, below the audio
// servers' and the kernel's own real-time threads.
constexpr int kRealTimePriority = 10;
#ifdef __linux__
// How many nice steps the thread would like above the process (threads have
// nice values of their own on Linux only).
constexpr int kNiceSteps = 10;
#endif

// The system decides: a user whose real-time limit allows it (an audio
// group's usual setting) or who may change priorities gets it.
bool TryRealTime() {
    int priority = kRealTimePriority;
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0) {
        priority = std::min<int>(priority, static_cast<int>(limit.rlim_cur));
    }
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

bool TryNice() {
#ifdef __linux__
    // On Linux a nice value belongs to the thread, named by its own id.
    const auto self = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, self);
    if (errno != 0) {
        return false;
    }
    // Refused unless the user's nice limit reaches that far.
    const int wanted = std::max(now - kNiceSteps, -20);
    return wanted < now && setpriority(PRIO_PROCESS, self, wanted) == 0;
#else
    return false;
#endif
}

}  // namespace

ThreadPriority RaiseCurrentThreadPriority() {
#ifdef __linux__
    // The default slack lets a sleep end up to 50 µs late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    if (TryRealTime()) {
        return ThreadPriority::RealTime;
    }
    if (TryNice()) {
        return ThreadPriority::Raised;
    }
    return ThreadPriority::Normal;
}

}  // namespace tonvell
