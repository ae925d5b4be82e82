// SPDX-License-Identifier: MIT
#pragma once
// Edits to the listing box are never thrown away without a word: before a
// conversion replaces a listing that the user edited since it was last
// filled, saved or copied, the window asks whether to save it. A listing that
// was not edited is replaced without a question, so that browsing the file
// list with the arrow keys stays as quick as ever.

#include <QString>
#include <functional>

class QPlainTextEdit;

namespace tonvell::app {

class MessageBoxes;

// The questions, with the buttons Save, Discard and Cancel: before another
// file replaces the listing, before the same file is converted again, before
// a listing file is opened, and before the window closes.
QString ListingEditedQuestion();
QString ListingEditedOnReconvertQuestion();
QString ListingEditedOnOpenQuestion();
QString ListingEditedOnCloseQuestion();

// Whether the user changed the listing since it was last marked unedited.
// Undoing every edit makes it unedited again.
bool ListingEdited(const QPlainTextEdit& listing);

// Marks the listing as it stands unedited: after it was filled by a
// conversion, saved or copied.
void MarkListingUnedited(QPlainTextEdit& listing);

// Whether the listing may be replaced now: it was not edited, or the user
// chose to discard the edits, or chose to save them and save() saved them.
// False when the user cancelled, or the save was cancelled or failed (the
// save shows its own error).
// question is the text asked.
bool MayReplaceListing(QPlainTextEdit& listing, MessageBoxes& boxes, const QString& title,
                       const std::function<bool()>& save,
                       const QString& question = ListingEditedQuestion());

}  // namespace tonvell::app
