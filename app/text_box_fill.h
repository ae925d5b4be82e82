#pragma once
// Filling the window's big text boxes quickly. A conversion puts up to a
// hundred thousand lines into the listing's text box on every file chosen;
// how that text arrives decides how long the window stays busy.

#include <QString>

class QPlainTextEdit;

namespace tonvell::app {

// Replaces the box's whole text, leaving the box as setPlainText leaves it:
// the caret at the start, nothing selected, nothing to undo, not modified,
// scrolled to the top left. setPlainText also applies the box's character
// format to the whole new text in a second pass over it; a plain text box's
// text has that format already, so this skips the pass.
void FillPlainText(QPlainTextEdit* box, const QString& text);

// Lets the process keep the memory it frees instead of handing it back to the
// system. Every refill of a big text box frees one document and builds
// another of the same size; served from kept memory, the new one costs no
// fresh pages, each of which the system would have to fault in and zero
// (expensive on virtual machines). The price is holding on to the largest
// fill's memory, some tens of megabytes. Call once, at start.
void KeepFreedMemory();

}  // namespace tonvell::app
