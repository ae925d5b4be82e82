// SPDX-License-Identifier: MIT
#pragma once
// Saved choices put back into controls at start-up: a folder value checked
// against the disk, an output chosen only by its exact name, an instrument
// shown as typed. None of it needs the window.

#include <QString>

class QComboBox;

namespace tonvell::app {

// The folder a saved folder value names: a relative one is taken from the
// current folder; nothing (empty) when it is no folder that can be shown.
QString ExistingFolder(const QString& value);

// Chooses the item whose text is exactly text, or else the first item,
// without raising the list's change signals.
void ChooseExactly(QComboBox* box, const QString& text);

// Shows text in an editable list, as its item when it is one.
void ShowText(QComboBox* box, const QString& text);

}  // namespace tonvell::app
