// SPDX-License-Identifier: MIT
#include "app/arrangement_view.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/arrangement_colour.h"
#include "app/arrangement_rulers.h"
#include "output/arrangement_picture.h"

namespace tonvell::app {

namespace {

// The content stays well inside the scroll bars' int range.
constexpr double kMaxContentPx = 1 << 30;
constexpr double kMaxZoomIn = 20;  // times 1:1
constexpr double kMinRowPx = 1;
constexpr double kMaxRowPx = 28;
constexpr double kRightPad = 24;
constexpr double kBottomPad = 12;
// Shapes are cut to the viewport and this margin before they are painted:
// a note many screens long is not handed to the painter at its full length.
constexpr double kPaintMargin = 8;

constexpr QRgb kPlayHeadColour = 0xFFD00000;

QPen PenOf(const Shape& s) {
    if (s.stroke == kNoColour) {
        return Qt::NoPen;
    }
    QPen pen(ColourOf(s.stroke, s.opacity), s.strokeWidth);
    if (s.dashed) {
        pen.setDashPattern({3 / s.strokeWidth, 2 / s.strokeWidth});
    }
    return pen;
}

void PaintShape(QPainter& painter, const Shape& s, double left, double right) {
    if (s.kind == Shape::Kind::Line) {
        painter.setPen(PenOf(s));
        painter.drawLine(QPointF(s.x, s.y), QPointF(s.x + s.w, s.y + s.h));
        return;
    }
    if (s.kind != Shape::Kind::Rect) {
        return;
    }
    const double x0 = std::max(s.x, left);
    const double x1 = std::min(s.x + s.w, right);
    if (x1 < x0) {
        return;
    }
    painter.setPen(PenOf(s));
    painter.setBrush(s.fill == kNoColour ? QBrush(Qt::NoBrush)
                                         : QBrush(ColourOf(s.fill, s.opacity)));
    painter.drawRect(QRectF(x0, s.y, x1 - x0, s.h));
}

}  // namespace

ArrangementView::ArrangementView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("arrangementView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(false);
    noteRuler_ = new NoteRuler(*this, this);
    barRuler_ = new BarRuler(*this, this);
    setViewportMargins(NoteRuler::kWidth, BarRuler::kHeight, 0, 0);
    SetArrangement(nullptr);
}

QWidget* ArrangementView::NoteRulerWidget() const {
    return noteRuler_;
}

QWidget* ArrangementView::BarRulerWidget() const {
    return barRuler_;
}

void ArrangementView::SetArrangement(const Arrangement* arrangement) {
    arrangement_ = arrangement;
    index_ = arrangement != nullptr ? NoteIndex(*arrangement) : NoteIndex();
    grid_ = arrangement != nullptr ? TimeGrid(*arrangement) : TimeGrid();
    int low = 127;
    int high = 0;
    double last = arrangement != nullptr ? arrangement->end.seconds : 0;
    if (arrangement != nullptr) {
        for (const ArrangedNote& n : arrangement->notes) {
            low = std::min<int>(low, n.note);
            high = std::max<int>(high, n.note);
            last = std::max(last, n.end.seconds);
        }
    }
    if (low > high) {
        low = 60;
        high = 71;
    }
    // Whole octaves around the notes, as the SVG shows them.
    lowNote_ = low / 12 * 12;
    highNote_ = std::min(high / 12 * 12 + 11, 127);
    lastSeconds_ = std::isfinite(last) && last > 0 ? last : 1;
    playHeadSeconds_ = 0;
    ShowOneToOne();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

double ArrangementView::ContentWidth() const {
    return lastSeconds_ * pxPerSecond_ + kRightPad;
}

double ArrangementView::ContentHeight() const {
    return (highNote_ - lowNote_ + 1) * rowPx_ + kBottomPad;
}

double ArrangementView::FitPxPerSecond() const {
    return std::max(1.0, viewport()->width() - kRightPad) / lastSeconds_;
}

double ArrangementView::MaxPxPerSecond() const {
    return std::min(kPxPerSecond * kMaxZoomIn, (kMaxContentPx - kRightPad) / lastSeconds_);
}

void ArrangementView::SetScale(double pxPerSecond, double rowPx) {
    const double most = MaxPxPerSecond();
    // Zoomed out as far as the whole piece, or 1:1 for a piece shorter than
    // the view.
    const double least = std::min({FitPxPerSecond(), kPxPerSecond, most});
    pxPerSecond_ = std::clamp(pxPerSecond, least, most);
    rowPx_ = std::clamp(rowPx, kMinRowPx, kMaxRowPx);
    UpdateScrollBars();
    viewport()->update();
    noteRuler_->update();
    barRuler_->update();
    emit ScaleChanged();
}

void ArrangementView::UpdateScrollBars() {
    const QSize size = viewport()->size();
    const auto range = [](double content, int page) {
        return static_cast<int>(std::max(0.0, std::ceil(content) - page));
    };
    horizontalScrollBar()->setRange(0, range(ContentWidth(), size.width()));
    horizontalScrollBar()->setPageStep(std::max(1, size.width()));
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, range(ContentHeight(), size.height()));
    verticalScrollBar()->setPageStep(std::max(1, size.height()));
    verticalScrollBar()->setSingleStep(static_cast<int>(std::ceil(rowPx_)));
}

void ArrangementView::ZoomTime(double factor, double anchorX) {
    if (anchorX < 0) {
        anchorX = viewport()->width() / 2.0;
    }
    const double seconds = SecondsAt(anchorX);
    SetScale(pxPerSecond_ * factor, rowPx_);
    horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(seconds * pxPerSecond_ - anchorX)));
}

void ArrangementView::ZoomPitch(double factor, double anchorY) {
    if (anchorY < 0) {
        anchorY = viewport()->height() / 2.0;
    }
    const double rows = (anchorY + verticalScrollBar()->value()) / rowPx_;
    SetScale(pxPerSecond_, rowPx_ * factor);
    verticalScrollBar()->setValue(static_cast<int>(std::lround(rows * rowPx_ - anchorY)));
}

void ArrangementView::ShowWholePiece() {
    const double rows = highNote_ - lowNote_ + 1;
    SetScale(FitPxPerSecond(), (viewport()->height() - kBottomPad) / rows);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void ArrangementView::ShowOneToOne() {
    const double seconds = SecondsAt(0);
    SetScale(kPxPerSecond, kRowPx);
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(seconds * pxPerSecond_)));
}

double ArrangementView::XOf(double seconds) const {
    return seconds * pxPerSecond_ - horizontalScrollBar()->value();
}

double ArrangementView::SecondsAt(double x) const {
    return (x + horizontalScrollBar()->value()) / pxPerSecond_;
}

double ArrangementView::RowTop(int note) const {
    return (highNote_ - note) * rowPx_ - verticalScrollBar()->value();
}

int ArrangementView::NoteAt(double y) const {
    const double row = std::floor((y + verticalScrollBar()->value()) / rowPx_);
    const double note = highNote_ - row;
    return note >= lowNote_ && note <= highNote_ ? static_cast<int>(note) : -1;
}

void ArrangementView::SetPlayHead(double seconds, bool playing) {
    const double before = XOf(playHeadSeconds_);
    playHeadSeconds_ = seconds;
    if (playing) {
        ScrollToSeconds(seconds);
    }
    const double after = XOf(playHeadSeconds_);
    // Only the strips of the old and the new head need painting.
    for (double x : {before, after}) {
        const QRect strip(static_cast<int>(std::floor(x)) - 3, 0, 7, viewport()->height());
        viewport()->update(strip);
        barRuler_->update(QRect(strip.x() - 4, 0, strip.width() + 8, barRuler_->height()));
    }
}

void ArrangementView::ScrollToSeconds(double seconds) {
    horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(seconds * pxPerSecond_ - viewport()->width() / 3.0)));
}

std::vector<std::int32_t> ArrangementView::NotesInView() const {
    std::vector<std::int32_t> notes;
    if (arrangement_ == nullptr) {
        return notes;
    }
    const int top = NoteAt(0) < 0 ? highNote_ : NoteAt(0);
    const int bottom =
        NoteAt(viewport()->height() - 1) < 0 ? lowNote_ : NoteAt(viewport()->height() - 1);
    index_.Visit(SecondsAt(0), SecondsAt(viewport()->width()), [&](std::int32_t i) {
        const int note = arrangement_->notes[static_cast<std::size_t>(i)].note;
        if (note >= bottom && note <= top) {
            notes.push_back(i);
        }
    });
    return notes;
}

std::int32_t ArrangementView::NoteUnder(QPointF point) const {
    const int note = NoteAt(point.y());
    if (arrangement_ == nullptr || note < 0) {
        return -1;
    }
    // A note is drawn at least 1.5 pixels wide.
    const double slack = 2 / pxPerSecond_;
    const double at = SecondsAt(point.x());
    std::int32_t found = -1;
    index_.Visit(at - slack, at, [&](std::int32_t i) {
        if (arrangement_->notes[static_cast<std::size_t>(i)].note == note) {
            found = i;
        }
    });
    return found;
}

void ArrangementView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ColourOf(kPictureBackground));
    PaintRows(painter);
    PaintGrid(painter);
    PaintNotes(painter);
    const double head = XOf(playHeadSeconds_);
    if (head >= -2 && head <= viewport()->width() + 2) {
        painter.setPen(QPen(QColor::fromRgba(kPlayHeadColour), 2));
        painter.drawLine(QPointF(head, 0), QPointF(head, viewport()->height()));
    }
}

void ArrangementView::PaintRows(QPainter& painter) const {
    const double width = std::min<double>(viewport()->width(), XOf(lastSeconds_) + kRightPad);
    for (int note = lowNote_; note <= highNote_; ++note) {
        const double top = RowTop(note);
        if (top > viewport()->height() || top + rowPx_ < 0) {
            continue;
        }
        if (IsBlackKey(note)) {
            painter.fillRect(QRectF(0, top, width, rowPx_), ColourOf(kBlackKeyRowColour));
        }
        if (note % 12 == 0) {
            painter.setPen(ColourOf(kOctaveLineColour));
            painter.drawLine(QPointF(0, top + rowPx_), QPointF(width, top + rowPx_));
        }
    }
}

void ArrangementView::PaintGrid(QPainter& painter) const {
    const double top = RowTop(highNote_);
    const double bottom = RowTop(lowNote_) + rowPx_;
    const double end = XOf(lastSeconds_) + kRightPad;
    grid_.Visit(SecondsAt(-1), SecondsAt(viewport()->width() + 1), pxPerSecond_,
                [&](const TimeGrid::Line& line) {
                    const double x = XOf(line.seconds);
                    if (x > end) {
                        return;  // a whole second past a short piece's end
                    }
                    painter.setPen(ColourOf(line.strong ? kStrongLineColour : kBarLineColour));
                    painter.drawLine(QPointF(x, top), QPointF(x, bottom));
                });
}

// Each note is drawn as the SVG draws it, by the shared layout, with the
// view's scale and scroll in place of the SVG's.
void ArrangementView::PaintNotes(QPainter& painter) const {
    if (arrangement_ == nullptr) {
        return;
    }
    ArrangementPicture place;
    place.timeLeft = -horizontalScrollBar()->value();
    place.pxPerSecond = pxPerSecond_;
    place.rowsTop = -verticalScrollBar()->value();
    place.rowPx = rowPx_;
    place.lowNote = lowNote_;
    place.highNote = highNote_;
    const double left = -kPaintMargin;
    const double right = viewport()->width() + kPaintMargin;
    std::vector<tonvell::Shape> shapes;
    for (std::int32_t i : NotesInView()) {
        shapes.clear();
        DrawNote(arrangement_->notes[static_cast<std::size_t>(i)], place, shapes);
        for (const tonvell::Shape& s : shapes) {
            PaintShape(painter, s, left, right);
        }
    }
}

void ArrangementView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    PlaceRulers();
    // A wider view may no longer be filled by the piece at this scale.
    SetScale(pxPerSecond_, rowPx_);
}

void ArrangementView::PlaceRulers() {
    const QRect area = viewport()->geometry();
    noteRuler_->setGeometry(area.left() - NoteRuler::kWidth, area.top(), NoteRuler::kWidth,
                            area.height());
    barRuler_->setGeometry(area.left(), area.top() - BarRuler::kHeight, area.width(),
                           BarRuler::kHeight);
}

void ArrangementView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
    noteRuler_->update();
    barRuler_->update();
}

// Ctrl and the wheel zoom in time about the mouse, Ctrl, Shift and the wheel
// in pitch; the wheel alone scrolls up and down, Shift and the wheel sideways.
void ArrangementView::wheelEvent(QWheelEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int delta =
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (mods & Qt::ControlModifier) {
        const double factor = delta > 0 ? 1.25 : 1 / 1.25;
        if (mods & Qt::ShiftModifier) {
            ZoomPitch(factor, event->position().y());
        } else {
            ZoomTime(factor, event->position().x());
        }
        event->accept();
        return;
    }
    if (mods & Qt::ShiftModifier) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

// Home and End go to the start and the end of the piece; the arrows and the
// page keys scroll as in any scrolled area.
void ArrangementView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Home) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    } else if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_End) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

// A drag moves the picture; a click without a drag chooses a moment.
void ArrangementView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    dragged_ = false;
    pressAt_ = event->position().toPoint();
    pressScroll_ = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void ArrangementView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) {
        return;
    }
    const QPoint moved = event->position().toPoint() - pressAt_;
    if (!dragged_ && moved.manhattanLength() >= QApplication::startDragDistance()) {
        dragged_ = true;
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    if (dragged_) {
        horizontalScrollBar()->setValue(pressScroll_.x() - moved.x());
        verticalScrollBar()->setValue(pressScroll_.y() - moved.y());
    }
}

void ArrangementView::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    viewport()->unsetCursor();
    if (!dragged_) {
        emit MomentClicked(std::max(0.0, SecondsAt(event->position().x())));
    }
}

bool ArrangementView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const std::int32_t note = NoteUnder(help->pos());
        if (note >= 0) {
            QToolTip::showText(
                help->globalPos(),
                QString::fromStdString(
                    NoteTitle(*arrangement_, arrangement_->notes[static_cast<std::size_t>(note)])),
                viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace tonvell::app
