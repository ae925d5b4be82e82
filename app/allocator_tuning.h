// SPDX-License-Identifier: MIT
#pragma once
// Memory for the window's big text boxes. A conversion puts up to a hundred
// thousand lines into the listing's text box on every file chosen.

namespace tonvell::app {

// Lets the process keep the memory it frees instead of handing it back to the
// system. Every refill of a big text box frees one document and builds
// another of the same size; served from kept memory, the new one costs no
// fresh pages, each of which the system would have to fault in and zero
// (expensive on virtual machines). The price is holding on to the largest
// fill's memory, some tens of megabytes. Call once, at start.
void KeepFreedMemory();

}  // namespace tonvell::app
