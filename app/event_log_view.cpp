// SPDX-License-Identifier: MIT
#include "app/event_log_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

namespace tonvell::app {

namespace {

// Lines whose layouts are kept between paints: a few screens' worth.
constexpr std::size_t kKeptLayouts = 256;
// How many of the longest lines (in bytes) are measured when a text arrives.
constexpr std::size_t kMeasuredLines = 32;
constexpr int kAutoScrollMs = 50;
constexpr int kHorizontalStep = 20;

QString FromUtf8(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The number of UTF-8 bytes that the first `column` UTF-16 units of line take.
std::size_t Utf8Prefix(const QString& line, int column) {
    return static_cast<std::size_t>(QStringView(line).left(column).toUtf8().size());
}

// A line laid out on one row, as a text box without word wrap lays it out.
void LayOut(QTextLayout& layout, const QFont& font, const QString& text) {
    layout.setFont(font);
    layout.setText(text);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(INT_MAX / 4);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
}

// The standard entries of a read-only text box's menu, in Qt's own words so
// that its translations apply.
QString MenuText(const char* text, QKeySequence::StandardKey key) {
    QString label = QCoreApplication::translate("QWidgetTextControl", text);
    const QString keys = QKeySequence(key).toString(QKeySequence::NativeText);
    if (!keys.isEmpty()) {
        label += QLatin1Char('\t') + keys;
    }
    return label;
}

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

}  // namespace

EventLogView::EventLogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    horizontalScrollBar()->setSingleStep(kHorizontalStep);
    verticalScrollBar()->setSingleStep(1);
    UpdateMetrics();
    clear();
}

EventLogView::~EventLogView() = default;

// ---------------------------------------------------------------------------
// The text

void EventLogView::SetLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) {
        size += line.size() + 1;
    }
    // Keeping the buffers' capacity spares the next log of the same size
    // fresh pages.
    text_.clear();
    text_.reserve(size);
    starts_.clear();
    starts_.reserve(lines.size() + 1);
    for (const std::string& line : lines) {
        starts_.push_back(text_.size());
        text_ += line;
        text_ += '\n';
    }
    if (lines.empty()) {
        starts_.push_back(0);
        text_ += '\n';
    }
    starts_.push_back(text_.size());
    TextChanged();
}

void EventLogView::setPlainText(const QString& text) {
    text_ = text.toStdString();
    text_ += '\n';
    starts_.assign(1, 0);
    for (std::size_t at = text_.find('\n'); at != std::string::npos;
         at = text_.find('\n', at + 1)) {
        starts_.push_back(at + 1);
    }
    TextChanged();
}

void EventLogView::clear() {
    setPlainText(QString());
}

std::string_view EventLogView::LineBytes(int line) const {
    const auto i = static_cast<std::size_t>(line);
    return std::string_view(text_).substr(starts_[i], starts_[i + 1] - 1 - starts_[i]);
}

QString EventLogView::Line(int line) const {
    if (line < 0 || line >= LineCount()) {
        return {};
    }
    return FromUtf8(LineBytes(line));
}

int EventLogView::LineLength(int line) const {
    return static_cast<int>(Line(line).size());
}

QString EventLogView::toPlainText() const {
    return FromUtf8(std::string_view(text_).substr(0, text_.size() - 1));
}

void EventLogView::TextChanged() {
    layouts_.clear();
    anchor_ = cursor_ = {};
    selecting_ = false;
    autoScroll_.stop();
    widest_ = MeasureWidest();
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Geometry

void EventLogView::UpdateMetrics() {
    QTextLayout sample;
    LayOut(sample, font(), QStringLiteral("M"));
    const QTextLine line = sample.lineAt(0);
    qreal height = line.height();
    if (line.leading() < 0) {
        height += std::ceil(line.leading());
    }
    // A plain text box puts its lines a whole number of pixels apart.
    lineHeight_ = std::max<qreal>(1, std::ceil(height));
}

// Measuring every line would cost what laying them all out costs, so only
// the longest lines in bytes are measured here; a line found wider when it is
// painted widens the scroll range then, as a plain text box does when it
// reaches a wider line.
qreal EventLogView::MeasureWidest() const {
    using Entry = std::pair<std::size_t, int>;  // length in bytes, line
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> longest;
    for (int line = 0; line < LineCount(); ++line) {
        const Entry entry{LineBytes(line).size(), line};
        if (longest.size() < kMeasuredLines) {
            longest.push(entry);
        } else if (entry.first > longest.top().first) {
            longest.pop();
            longest.push(entry);
        }
    }
    const QFontMetricsF metrics(font());
    qreal widest = 0;
    for (; !longest.empty(); longest.pop()) {
        widest = std::max(widest, metrics.horizontalAdvance(Line(longest.top().second)));
    }
    return widest;
}

// The lines that fit the viewport between the margins, as many as there are.
int EventLogView::WholeLinesInView() const {
    const int fit = static_cast<int>((viewport()->height() - 2 * kMargin - 1) / lineHeight_);
    return std::clamp(fit, 1, LineCount());
}

void EventLogView::UpdateScrollBars() {
    const int page = WholeLinesInView();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(0, LineCount() - page));
    const int width = static_cast<int>(std::ceil(widest_)) + 2 * kMargin;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, width - viewport()->width()));
}

QPointF EventLogView::LineOrigin(int line) const {
    const int top = verticalScrollBar()->value();
    const qreal margin = top == 0 ? kMargin : 0;
    return {static_cast<qreal>(kMargin - horizontalScrollBar()->value()),
            margin + (line - top) * lineHeight_};
}

int EventLogView::FirstVisibleLine() const {
    return std::min(verticalScrollBar()->value(), LineCount() - 1);
}

int EventLogView::LastVisibleLine() const {
    const qreal below = viewport()->height() - LineOrigin(FirstVisibleLine()).y();
    const int lines = std::max(1, static_cast<int>(std::ceil(below / lineHeight_)));
    return std::min(LineCount() - 1, FirstVisibleLine() + lines - 1);
}

QTextLayout& EventLogView::LayoutOf(int line) const {
    auto found = layouts_.find(line);
    if (found != layouts_.end()) {
        return *found->second;
    }
    if (layouts_.size() >= kKeptLayouts) {
        layouts_.clear();
    }
    auto layout = std::make_unique<QTextLayout>();
    LayOut(*layout, font(), Line(line));
    const qreal width = layout->lineAt(0).naturalTextWidth();
    if (width > widest_) {
        widest_ = width;
        widened_ = true;
    }
    return *layouts_.emplace(line, std::move(layout)).first->second;
}

EventLogView::Position EventLogView::PositionAt(const QPoint& point) const {
    const int top = FirstVisibleLine();
    const qreal offset = point.y() - LineOrigin(top).y();
    const int line =
        std::clamp(top + static_cast<int>(std::floor(offset / lineHeight_)), 0, LineCount() - 1);
    const qreal x = point.x() - LineOrigin(line).x();
    const int column = LayoutOf(line).lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    return {line, column};
}

EventLogView::Position EventLogView::Clamped(Position at) const {
    at.line = std::clamp(at.line, 0, LineCount() - 1);
    at.column = std::clamp(at.column, 0, LineLength(at.line));
    return at;
}

// ---------------------------------------------------------------------------
// Selection and copy

void EventLogView::Select(Position anchor, Position cursor) {
    anchor_ = Clamped(anchor);
    cursor_ = Clamped(cursor);
    viewport()->update();
}

void EventLogView::selectAll() {
    const int last = LineCount() - 1;
    Select({0, 0}, {last, LineLength(last)});
}

void EventLogView::SetCursor(Position at) {
    if (at != cursor_) {
        cursor_ = at;
        viewport()->update();
    }
}

QString EventLogView::SelectedText() const {
    const auto [from, to] = std::minmax(anchor_, cursor_);
    const std::size_t begin =
        starts_[static_cast<std::size_t>(from.line)] + Utf8Prefix(Line(from.line), from.column);
    const std::size_t end =
        starts_[static_cast<std::size_t>(to.line)] + Utf8Prefix(Line(to.line), to.column);
    return FromUtf8(std::string_view(text_).substr(begin, end - begin));
}

void EventLogView::copy() const {
    if (!HasSelection()) {
        return;
    }
    auto* mime = new QMimeData;
    mime->setText(SelectedText());
    QGuiApplication::clipboard()->setMimeData(mime);
}

void EventLogView::SelectWordAt(Position at) {
    const QString line = Line(at.line);
    int begin = at.column;
    int end = at.column;
    while (begin > 0 && IsWordChar(line[begin - 1])) {
        --begin;
    }
    while (end < line.size() && IsWordChar(line[end])) {
        ++end;
    }
    if (begin == end && end < line.size()) {
        ++end;  // a lone character that is not part of a word
    }
    Select({at.line, begin}, {at.line, end});
}

// ---------------------------------------------------------------------------
// Painting

void EventLogView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    painter.setPen(palette().color(QPalette::Text));
    const auto [from, to] = std::minmax(anchor_, cursor_);
    const qreal spaceWidth = QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));

    for (int line = FirstVisibleLine(); line <= LastVisibleLine(); ++line) {
        QTextLayout& layout = LayoutOf(line);
        const QPointF origin = LineOrigin(line);
        QList<QTextLayout::FormatRange> ranges;
        if (from != to && from.line <= line && line <= to.line) {
            const int begin = line == from.line ? from.column : 0;
            const int end = line == to.line ? to.column : static_cast<int>(layout.text().size());
            if (end > begin) {
                ranges.append({begin, end - begin, selected});
            }
            if (line < to.line) {
                // The line break is part of the selection: a space's width of
                // highlight after the line's end shows it.
                const qreal x = origin.x() + layout.lineAt(0).naturalTextWidth();
                painter.fillRect(QRectF(x, origin.y(), spaceWidth, lineHeight_),
                                 selected.background());
            }
        }
        layout.draw(&painter, origin, ranges, event->rect());
    }
    if (std::exchange(widened_, false)) {
        UpdateScrollBars();
    }
}

void EventLogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void EventLogView::scrollContentsBy(int, int) {
    viewport()->update();
}

void EventLogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layouts_.clear();
        UpdateMetrics();
        widest_ = MeasureWidest();
        UpdateScrollBars();
    }
    viewport()->update();
}

void EventLogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();  // the selection's colours follow the focus
}

void EventLogView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Keys and mouse

bool EventLogView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Copy and select-all belong to the focused box, not to a shortcut of
        // the window.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void EventLogView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Home:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
            return;
        case Qt::Key_End:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
            return;
        default:
            // Arrows and page keys scroll; the rest goes to the window.
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void EventLogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const Position at = PositionAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier)) {
        anchor_ = at;
    }
    SetCursor(at);
    viewport()->update();
    selecting_ = true;
    dragPoint_ = event->position().toPoint();
}

void EventLogView::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    DragTo(event->position().toPoint());
}

// Extends the selection to a point; outside the viewport the view keeps
// scrolling towards it until the button is released or the mouse comes back.
void EventLogView::DragTo(const QPoint& point) {
    dragPoint_ = point;
    SetCursor(PositionAt(point));
    if (viewport()->rect().contains(point)) {
        autoScroll_.stop();
    } else if (!autoScroll_.isActive()) {
        autoScroll_.start(kAutoScrollMs, this);
    }
}

void EventLogView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != autoScroll_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    const QRect area = viewport()->rect();
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    if (dragPoint_.y() < area.top()) {
        vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (dragPoint_.y() > area.bottom()) {
        vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    if (dragPoint_.x() < area.left()) {
        horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (dragPoint_.x() > area.right()) {
        horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    SetCursor(PositionAt(dragPoint_));
}

void EventLogView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    selecting_ = false;
    autoScroll_.stop();
    // As in other text boxes on X11, a selection made with the mouse becomes
    // the primary selection that a middle click pastes.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(SelectedText(), QClipboard::Selection);
    }
}

void EventLogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    SelectWordAt(PositionAt(event->position().toPoint()));
}

void EventLogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(MenuText("&Copy", QKeySequence::Copy));
    copyAction->setEnabled(HasSelection());
    connect(copyAction, &QAction::triggered, this, [this] { copy(); });
    menu.addSeparator();
    QAction* allAction = menu.addAction(MenuText("Select All", QKeySequence::SelectAll));
    connect(allAction, &QAction::triggered, this, [this] { selectAll(); });
    menu.exec(event->globalPos());
}

}  // namespace tonvell::app
