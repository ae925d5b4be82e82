// SPDX-License-Identifier: MIT
// Ctrl+C, Ctrl+Break and the closing of the console on Windows. The system
// calls the handler on a thread of its own; the temporary file is opened so
// that it may be deleted while open, and goes once the process has ended.

#include <windows.h>

#include "platform/interrupt_signals.h"

namespace tonvell::cli {

namespace {

bool (*removeUnfinishedWrite)() = nullptr;

template <std::size_t N>
void Say(const char (&text)[N]) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, N - 1, &written, nullptr);
}

BOOL WINAPI EndInterrupted(DWORD) {
    if (removeUnfinishedWrite != nullptr && removeUnfinishedWrite()) {
        Say("tonvell-cli: interrupted; the file being written was not replaced\n");
    } else {
        Say("tonvell-cli: interrupted\n");
    }
    // Not handled: the system's own handler ends the process.
    return FALSE;
}

}  // namespace

void CleanUpOnInterrupt(bool (*removeUnfinished)()) {
    removeUnfinishedWrite = removeUnfinished;
    SetConsoleCtrlHandler(EndInterrupted, TRUE);
}

}  // namespace tonvell::cli

namespace tonvell {

InterruptsDeferred::InterruptsDeferred() : previous_() {}

// Not defaulted: the class keeps one declaration on every system, and on
// POSIX systems its destructor restores the signal mask.
InterruptsDeferred::~InterruptsDeferred() {}

}  // namespace tonvell
