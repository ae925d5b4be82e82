// SPDX-License-Identifier: MIT
#include "app/played_line_highlight.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>

namespace tonvell::app {

namespace {

// The mark's colour: the palette's selection colour, faint enough for the
// text and the selection to read through it, in light and dark palettes.
QColor MarkColour(const QPalette& palette) {
    QColor colour = palette.color(QPalette::Active, QPalette::Highlight);
    colour.setAlpha(96);
    return colour;
}

}  // namespace

PlayedLineHighlight::PlayedLineHighlight(QPlainTextEdit& box) : box_(box) {
    QObject::connect(box_.verticalScrollBar(), &QScrollBar::valueChanged, &watch_, [this] {
        if (!scrolling_ && line_ >= 0) {
            following_ = false;
        }
    });
}

void PlayedLineHighlight::Show(int line, int start, int end) {
    const int length = box_.document()->characterCount() - 1;
    start = std::clamp(start, 0, length);
    // With the line break that ends it, the mark spans the box's whole width.
    end = std::clamp(end + 1, start, length);
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(box_.document());
    mark.cursor.setPosition(start);
    mark.cursor.setPosition(end, QTextCursor::KeepAnchor);
    mark.format.setBackground(MarkColour(box_.palette()));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    box_.setExtraSelections({mark});
    line_ = line;
    if (following_) {
        ScrollIntoView();
    }
}

void PlayedLineHighlight::Clear() {
    if (line_ < 0) {
        return;
    }
    box_.setExtraSelections({});
    line_ = -1;
}

void PlayedLineHighlight::Follow() {
    following_ = true;
}

// The box does not wrap its lines, so the scroll bar counts lines: its value
// is the number of the top line shown.
void PlayedLineHighlight::ScrollIntoView() {
    QScrollBar* bar = box_.verticalScrollBar();
    const int spacing = std::max(1, box_.fontMetrics().lineSpacing());
    const int shown = std::max(1, box_.viewport()->height() / spacing);
    if (line_ >= bar->value() && line_ < bar->value() + shown) {
        return;
    }
    // A third of the box above the line: the lines about to be played show.
    scrolling_ = true;
    bar->setValue(std::max(0, line_ - shown / 3));
    scrolling_ = false;
}

}  // namespace tonvell::app
