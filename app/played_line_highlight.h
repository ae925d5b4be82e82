// SPDX-License-Identifier: MIT
#pragma once
// The line being played, marked in the listing box and kept in view while
// playing, so that a wrong note can be found where it sounds. The mark is
// drawn beneath the text: the caret and the user's selection stay as they
// are. Scrolling the box away by hand (wheel, scroll bar, keys) stops the
// following until it is asked for again; the mark itself stays.

#include <QObject>

class QPlainTextEdit;

namespace tonvell::app {

class PlayedLineHighlight {
public:
    explicit PlayedLineHighlight(QPlainTextEdit& box);

    // Marks line (from 0), whose text is the characters [start, end) of the
    // box's text, across the box's width, and scrolls it into view while
    // following.
    void Show(int line, int start, int end);
    // Removes the mark.
    void Clear();
    // Follows the marked line again (a new Play).
    void Follow();

    int Line() const { return line_; }  // -1 when nothing is marked
    bool Following() const { return following_; }

private:
    void ScrollIntoView();

    QPlainTextEdit& box_;
    int line_ = -1;
    bool following_ = true;
    bool scrolling_ = false;  // a scroll of the highlight's own
    QObject watch_;           // ends the watch on the scroll bar with this object
};

}  // namespace tonvell::app
