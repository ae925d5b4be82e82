// SPDX-License-Identifier: MIT
// The handler does only what is safe inside one: it removes the temporary
// file, writes a fixed message, and raises the signal again with its default
// action.

#include <signal.h>
#include <unistd.h>

#include <cstddef>

#include "cli/interrupt_signals.h"
#include "output/file_replace.h"

namespace tonvell::cli {

namespace {

template <std::size_t N>
void Say(const char (&text)[N]) {
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, text, N - 1);
}

extern "C" void EndInterrupted(int number) {
    if (RemoveUnfinishedTemporaryFile()) {
        Say("tonvell-cli: interrupted; the file being written was not replaced\n");
    } else {
        Say("tonvell-cli: interrupted\n");
    }
    ::signal(number, SIG_DFL);
    ::raise(number);
}

}  // namespace

void CleanUpOnInterrupt() {
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = EndInterrupted;
        // The other two wait while one is handled: the file is removed once.
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, SIGINT);
        sigaddset(&action.sa_mask, SIGTERM);
        sigaddset(&action.sa_mask, SIGHUP);
        ::sigaction(number, &action, nullptr);
    }
}

}  // namespace tonvell::cli
