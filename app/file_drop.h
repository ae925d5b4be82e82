// SPDX-License-Identifier: MIT
#pragma once
// Files dragged onto the window from a file manager: one MIDI file or one
// listing file opens as the program's argument does; anything else carrying files is refused, so
// that a path never ends up as listing text.

#include <QString>

class QDragMoveEvent;
class QMimeData;

namespace tonvell::app {

// Whether data carries files of this machine (local file URLs).
bool CarriesLocalFiles(const QMimeData& data);

// The one MIDI file data carries: a single local file named *.mid or *.midi
// (any case) that is a regular file. Empty for no file, another kind of file,
// several files or anything else.
QString DroppedMidiFile(const QMimeData& data);

// The one listing file (*.inc, *.txt) data carries, as DroppedMidiFile.
QString DroppedListingFile(const QMimeData& data);

// Answers a drag entering or moving over the window: one MIDI or listing
// file is taken, as a copy; anything else shows the refusing cursor.
void OfferMidiFileDrop(QDragMoveEvent* event);

}  // namespace tonvell::app
