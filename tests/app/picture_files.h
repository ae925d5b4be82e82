// SPDX-License-Identifier: MIT
#pragma once
// MIDI files whose arrangement pictures are huge: a piece of ~10^14 pixels
// at 1:1 from 48 bytes, and the largest accepted file made of such notes.

#include "tests/support/midi_builder.h"

namespace tonvell::test {

// One tick a quarter, the slowest tempo and a 1/64 metre (a bar of a
// sixteenth of a tick), then one note that lasts the longest delta there is:
// 48 bytes, millions of bars.
midi_test::Bytes LongestNoteFile();

// The same start, then notes each the longest delta after the one before,
// until the file holds exactly the most bytes a file may have.
midi_test::Bytes LargestSparseFile();

}  // namespace tonvell::test
