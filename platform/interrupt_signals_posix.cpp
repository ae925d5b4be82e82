// SPDX-License-Identifier: MIT
// The handler does only what is safe inside one: it removes the temporary
// file, writes a fixed message, and raises the signal again with its default
// action.

#include <pthread.h>
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

namespace tonvell {

InterruptsDeferred::InterruptsDeferred() {
    static_assert(sizeof(sigset_t) <= sizeof previous_);
    sigset_t interrupts;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    sigaddset(&interrupts, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &interrupts, reinterpret_cast<sigset_t*>(previous_));
}

InterruptsDeferred::~InterruptsDeferred() {
    pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(previous_), nullptr);
}

}  // namespace tonvell
