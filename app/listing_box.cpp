// SPDX-License-Identifier: MIT
#include "app/listing_box.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>

#include "app/file_drop.h"

namespace tonvell::app {

namespace {

// Turns all line breaks but every kLinesPerBlock-th into line separators;
// true when some were. A carriage return ends a block in a text document,
// alone or before a line feed; such breaks are left as they are.
bool JoinLinesIntoBlocks(QString& text) {
    bool joined = false;
    int linesInBlock = 1;
    QChar* const begin = text.data();
    QChar* const end = begin + text.size();
    for (QChar* c = begin; (c = std::find(c, end, u'\n')) != end; ++c) {
        if (linesInBlock == ListingBox::kLinesPerBlock || (c != begin && c[-1] == u'\r')) {
            linesInBlock = 1;
        } else {
            *c = QChar::LineSeparator;
            ++linesInBlock;
            joined = true;
        }
    }
    return joined;
}

}  // namespace

ListingBox::ListingBox(QWidget* parent) : QPlainTextEdit(parent) {
    // The box's layout takes every block it has not laid out yet for one
    // line, after a fill and whenever it lays out afresh (a new width or
    // font); it says so by asking for an update of everything.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::update, this,
            [this] { RestoreLineCounts(); });
}

void ListingBox::Fill(QString text) {
    QTextDocument* document = this->document();
    manyLinesPerBlock_ = JoinLinesIntoBlocks(text);
    // setPlainText would also apply the box's character format to the whole
    // new text in a second pass over it; a plain text box's text has that
    // format already. Clears the undo history as it goes.
    document->setPlainText(text);
    RestoreLineCounts();
    setTextCursor(QTextCursor(document));
    document->setModified(false);
}

// Gives each block not laid out yet the number of lines it will have (the
// box does not wrap lines): the scroll bar then spans every line, and a line
// number finds its block, before the lines below have been laid out.
void ListingBox::RestoreLineCounts() {
    QTextDocument* document = this->document();
    // Only a layout afresh leaves every block at one line.
    if (!manyLinesPerBlock_ || document->lineCount() != document->blockCount()) {
        return;
    }
    bool changed = false;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const int lines = 1 + static_cast<int>(block.text().count(QChar::LineSeparator));
        if (lines != block.lineCount() && block.isVisible()) {
            block.setLineCount(lines);
            changed = true;
        }
    }
    if (changed) {
        QAbstractTextDocumentLayout* layout = document->documentLayout();
        emit layout->documentSizeChanged(layout->documentSize());
    }
}

bool ListingBox::canInsertFromMimeData(const QMimeData* source) const {
    return !CarriesLocalFiles(*source) && QPlainTextEdit::canInsertFromMimeData(source);
}

namespace {

// A drag from another widget or program copies: moving would delete the
// text at its source.
bool FromElsewhere(const QDropEvent* event, const QPlainTextEdit* box) {
    return event->source() != box && event->source() != box->viewport();
}

void CopyUnlessOwn(QDropEvent* event, const QPlainTextEdit* box) {
    if (event->isAccepted() && FromElsewhere(event, box)) {
        event->setDropAction(Qt::CopyAction);
    }
}

}  // namespace

void ListingBox::dragEnterEvent(QDragEnterEvent* event) {
    QPlainTextEdit::dragEnterEvent(event);
    CopyUnlessOwn(event, this);
}

void ListingBox::dragMoveEvent(QDragMoveEvent* event) {
    QPlainTextEdit::dragMoveEvent(event);
    CopyUnlessOwn(event, this);
}

void ListingBox::dropEvent(QDropEvent* event) {
    QPlainTextEdit::dropEvent(event);
    CopyUnlessOwn(event, this);
}

QTextCursor ListingBox::LineAt(QPoint pos) const {
    QTextCursor line = cursorForPosition(pos);
    line.movePosition(QTextCursor::StartOfLine);
    line.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
    // The end of a line stops before the separator that ends it; the last
    // line of the text has none.
    line.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return line;
}

bool ListingBox::IsTripleClick(const QMouseEvent& press) const {
    return press.button() == Qt::LeftButton && sinceDoubleClick_.isValid() &&
           sinceDoubleClick_.elapsed() < QApplication::doubleClickInterval() &&
           (press.position().toPoint() - doubleClickAt_).manhattanLength() <
               QApplication::startDragDistance();
}

void ListingBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    sinceDoubleClick_.start();
    doubleClickAt_ = event->position().toPoint();
}

void ListingBox::mousePressEvent(QMouseEvent* event) {
    tripleClickLine_.reset();
    if (!IsTripleClick(*event)) {
        QPlainTextEdit::mousePressEvent(event);
        return;
    }
    // The text box itself would select the whole block and scroll to its end.
    sinceDoubleClick_.invalidate();
    const QTextCursor line = LineAt(event->position().toPoint());
    setTextCursor(line);
    tripleClickLine_ = LineSpan{line.selectionStart(), line.selectionEnd()};
    event->accept();
}

void ListingBox::mouseMoveEvent(QMouseEvent* event) {
    if (!tripleClickLine_ || !(event->buttons() & Qt::LeftButton)) {
        QPlainTextEdit::mouseMoveEvent(event);
        return;
    }
    const QTextCursor line = LineAt(event->position().toPoint());
    QTextCursor selection(document());
    if (line.selectionStart() < tripleClickLine_->start) {
        selection.setPosition(tripleClickLine_->end);
        selection.setPosition(line.selectionStart(), QTextCursor::KeepAnchor);
    } else {
        selection.setPosition(tripleClickLine_->start);
        selection.setPosition(line.selectionEnd(), QTextCursor::KeepAnchor);
    }
    setTextCursor(selection);
}

void ListingBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!tripleClickLine_) {
        QPlainTextEdit::mouseReleaseEvent(event);
        return;
    }
    tripleClickLine_.reset();
    // Where the system has one, the selection is offered for pasting with
    // the middle button, as after any other selection by mouse.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) {
        clipboard->setText(textCursor().selection().toPlainText(), QClipboard::Selection);
    }
    event->accept();
}

}  // namespace tonvell::app
