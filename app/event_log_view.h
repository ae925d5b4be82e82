// SPDX-License-Identifier: MIT
#pragma once
// A read-only text box for the event log, which runs to a hundred thousand
// lines. It keeps the text as one UTF-8 buffer with the start of every line
// and lays out only the lines on screen, so showing a new log costs a copy of
// its bytes instead of a layout of every line. It looks and behaves like a
// read-only plain text box without word wrap: scrolling by wheel, scroll bars
// and keys, selection with the mouse across lines, and copying the selection
// as plain text (Ctrl+C, Ctrl+A, the context menu).

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>
#include <compare>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QTextLayout;

namespace tonvell::app {

class EventLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // A place in the text: a line and a column, the column counted in UTF-16
    // code units of that line, as QString counts.
    struct Position {
        int line = 0;
        int column = 0;
        friend auto operator<=>(const Position&, const Position&) = default;
    };

    // The empty space around the text, as a plain text box leaves it.
    static constexpr int kMargin = 2;

    explicit EventLogView(QWidget* parent = nullptr);
    ~EventLogView() override;

    // Replaces the text by these lines (UTF-8). The view goes back to the
    // first line and nothing is selected.
    void SetLines(const std::vector<std::string>& lines);
    // Replaces the text; "\n" separates lines, so "" is one empty line.
    void setPlainText(const QString& text);
    void clear();

    int LineCount() const { return static_cast<int>(starts_.size()) - 1; }
    QString Line(int line) const;
    QString toPlainText() const;

    // The lines at least partly inside the viewport.
    int FirstVisibleLine() const;
    int LastVisibleLine() const;
    // The place nearest to a point of the viewport.
    Position PositionAt(const QPoint& point) const;
    // Where the text of a line starts in the viewport (its top left corner).
    QPointF LineOrigin(int line) const;

    void selectAll();
    // Selects from anchor to cursor (in either order), limited to the text.
    void Select(Position anchor, Position cursor);
    bool HasSelection() const { return anchor_ != cursor_; }
    QString SelectedText() const;
    // Puts the selection on the clipboard as plain text; nothing when empty.
    void copy() const;

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    std::string_view LineBytes(int line) const;
    int LineLength(int line) const;
    Position Clamped(Position at) const;
    // Call after text_ and starts_ changed.
    void TextChanged();
    void UpdateMetrics();
    qreal MeasureWidest() const;
    void UpdateScrollBars();
    int WholeLinesInView() const;
    QTextLayout& LayoutOf(int line) const;
    void SetCursor(Position at);
    void SelectWordAt(Position at);
    void DragTo(const QPoint& point);

    std::string text_;                 // every line followed by "\n"
    std::vector<std::size_t> starts_;  // line i is text_[starts_[i], starts_[i + 1] - 1)
    qreal lineHeight_ = 1;
    // The widest line measured so far, in pixels: the horizontal scroll range.
    mutable qreal widest_ = 0;
    mutable bool widened_ = false;
    // Layouts of the lines painted lately; a few hundred at most.
    mutable std::unordered_map<int, std::unique_ptr<QTextLayout>> layouts_;
    Position anchor_;
    Position cursor_;
    bool selecting_ = false;
    QPoint dragPoint_;
    QBasicTimer autoScroll_;
};

}  // namespace tonvell::app
