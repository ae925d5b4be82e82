// SPDX-License-Identifier: MIT
#pragma once
// How the window's controls are made and fitted: text boxes that neither wrap nor take Tab, report
// boxes drawn flat on their group, and captions and report lines narrowed just enough to fit faces
// a little wider than the one the layout was drawn for.

#include <QPlainTextEdit>
#include <QString>

class QLabel;
class QWidget;

namespace tonvell::app {

// A text box on parent holding text: no wrapping, Tab moves the focus on.
template <class Box = QPlainTextEdit>
Box* MakeMemo(QWidget* parent, const QString& text) {
    auto* memo = new Box(parent);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setTabChangesFocus(true);
    memo->document()->setDocumentMargin(2);
    memo->setPlainText(text);
    return memo;
}

// A text box drawn flat on its group: no frame, the group's background.
void MakeFlat(QPlainTextEdit* memo);

// Narrows a label's letter spacing just enough for its caption to fit its
// fixed width.
void FitCaption(QLabel* label);

// Narrows a report box's letter spacing just enough for its widest line to
// fit the box: counts of a large file are longer than the box was drawn for.
void FitWidestLine(QPlainTextEdit* box);

}  // namespace tonvell::app
