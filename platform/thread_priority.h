// SPDX-License-Identifier: MIT
#pragma once
// A higher scheduling priority for a thread whose timing matters (the
// listing player's), taken only as far as the system grants it to an
// unprivileged program: nothing is asked of the user and a refusal is no
// error.

namespace tonvell {

enum class ThreadPriority {
    RealTime,  // the real-time class (a real-time limit, as audio groups have, or the right)
    Raised,    // a better nice value than the process's (the user's nice limit allows it)
    Normal,    // as the process: nothing was granted
};

// Raises the calling thread's priority as far as allowed and says how far it
// got. Also narrows the thread's timer slack, so its sleeps end on time.
ThreadPriority RaiseCurrentThreadPriority();

}  // namespace tonvell
