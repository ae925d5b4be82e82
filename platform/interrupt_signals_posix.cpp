// SPDX-License-Identifier: MIT
// The handler does only what is safe inside one: it removes the temporary
// file, writes a fixed message, and raises the signal again with its default
// action.

#include <signal.h>
#include <unistd.h>

#include <cstddef>
#include <initializer_list>

#include "platform/interrupt_signals.h"

namespace tonvell::cli {

namespace {

bool (*removeUnfinishedWrite)() = nullptr;

template <std::size_t N>
void Say(const char (&text)[N]) {
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, text, N - 1);
}

extern "C" void EndInterrupted(int number) {
    if (removeUnfinishedWrite != nullptr && removeUnfinishedWrite()) {
        Say("tonvell-cli: interrupted; the file being written was not replaced\n");
    } else {
        Say("tonvell-cli: interrupted\n");
    }
    ::signal(number, SIG_DFL);
    ::raise(number);
}

}  // namespace

void CleanUpOnInterrupt(bool (*removeUnfinished)()) {
    removeUnfinishedWrite = removeUnfinished;
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
