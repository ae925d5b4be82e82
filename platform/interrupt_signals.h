// SPDX-License-Identifier: MIT
#pragma once
// An interrupt (Ctrl+C), a termination request (kill) or a hang-up ends the
// command line as before, but first removes the temporary file of a write
// under way and says that the program was interrupted, so no hidden file
// is left in the target's folder and the old file stays as it was.

#include <cstddef>

namespace tonvell::cli {

// From now on SIGINT, SIGTERM and SIGHUP are handled so; the process still
// ends by the signal, so its status says which one. Signals the process was
// started to ignore (nohup) stay ignored. removeUnfinished, called inside the
// handler (so it must be safe there), removes the temporary file of a write
// under way and says whether there was one.
void CleanUpOnInterrupt(bool (*removeUnfinished)());

}  // namespace tonvell::cli

namespace tonvell {

// While one lives, SIGINT, SIGTERM and SIGHUP wait on this thread: a
// temporary file is created and recorded for the handler above as one step,
// so a signal never finds a file it does not know of. On Windows the console
// handler runs on a thread of its own and this does nothing.
class InterruptsDeferred {
public:
    InterruptsDeferred();
    ~InterruptsDeferred();
    InterruptsDeferred(const InterruptsDeferred&) = delete;
    InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;

private:
    alignas(std::max_align_t) unsigned char previous_[128];  // the thread's signal mask before, as
                                                             // the system keeps it
};

}  // namespace tonvell
