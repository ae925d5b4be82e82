// SPDX-License-Identifier: MIT
#pragma once
// Ending the program by a signal closes the window as the user would: an
// interrupt (Ctrl+C), a termination request (kill, a shutdown) or a hang-up
// (a closed terminal, a session logout) stops playback and writes the
// settings, instead of ending the process where it stands.

class QWidget;

namespace tonvell::app {

// From now on SIGINT, SIGTERM and SIGHUP close window once the event loop
// runs: open dialogs and message boxes are cancelled first. A second signal
// of the same kind while that is under way ends the process at once. Signals
// the process was started to ignore (nohup) stay ignored.
void CloseOnTerminationSignals(QWidget* window);

// Whether a signal is closing the window: nobody is there to answer a
// question, so the window must decide alone.
bool ClosingBySignal();

}  // namespace tonvell::app
