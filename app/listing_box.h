// SPDX-License-Identifier: MIT
#pragma once
// The listing's text box: an ordinary editable text box that is filled with
// a hundred thousand lines in a few milliseconds.
//
// A text document spends over a microsecond on every block it builds,
// whatever the block holds, so a listing of one block per line kept the
// window busy for a tenth of a second on every file chosen. The box holds
// its lines many to a block instead, kept apart by line separators: it shows,
// edits and returns the same text (toPlainText gives each separator back as a
// line break), with the same caret positions, since either separator counts
// as one character. What a text box does by blocks is done here by lines: a
// triple click selects the line under the mouse with its line break, and
// dragging on from there extends the selection by whole lines.

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPoint>
#include <QString>
#include <QTextCursor>
#include <optional>

namespace tonvell::app {

class ListingBox final : public QPlainTextEdit {
public:
    // Lines of a filled text held in one block.
    static constexpr int kLinesPerBlock = 64;

    explicit ListingBox(QWidget* parent = nullptr);

    // Replaces the whole text, leaving the box as setPlainText leaves it: the
    // caret at the start, nothing selected, nothing to undo, not modified,
    // scrolled to the top left.
    void Fill(QString text);

    // The line at pos (in the viewport) with the break that ends it, selected.
    QTextCursor LineAt(QPoint pos) const;

protected:
    // Text dropped from elsewhere is copied, never taken from its source;
    // files are left to the window.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct LineSpan {
        int start = 0;
        int end = 0;
    };
    bool IsTripleClick(const QMouseEvent& press) const;
    void RestoreLineCounts();

    bool manyLinesPerBlock_ = false;  // since the last Fill
    QElapsedTimer sinceDoubleClick_;
    QPoint doubleClickAt_;
    std::optional<LineSpan> tripleClickLine_;  // while the button stays down
};

}  // namespace tonvell::app
