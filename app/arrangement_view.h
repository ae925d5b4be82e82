// SPDX-License-Identifier: MIT
#pragma once
// The arrangement picture as the window paints it: time left to right, pitch
// bottom to top, with a note ruler pinned at the left and a bar ruler pinned
// at the top. Only what is in view is painted (the grid lines and the notes
// an index finds there), so memory does not grow with the piece, and the
// time scale is kept small enough that the whole piece fits the scroll bar's
// range: every note can be scrolled to.

#include <QAbstractScrollArea>
#include <cstdint>
#include <vector>

#include "app/arrangement_note_index.h"
#include "app/arrangement_time_grid.h"
#include "convert/arrangement.h"

namespace tonvell::app {

class NoteRuler;
class BarRuler;

class ArrangementView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Pixels a second and a semitone at 1:1, as in the SVG.
    static constexpr double kPxPerSecond = 100;
    static constexpr double kRowPx = 7;

    explicit ArrangementView(QWidget* parent = nullptr);

    // The arrangement stays the caller's and must outlive the view's use of
    // it; nullptr shows an empty picture. The scale returns to 1:1 and the
    // view to the top left.
    void SetArrangement(const Arrangement* arrangement);
    const Arrangement* Shown() const { return arrangement_; }

    // Zoom in time alone or pitch alone, about a point of the viewport (by
    // default its middle).
    void ZoomTime(double factor, double anchorX = -1);
    void ZoomPitch(double factor, double anchorY = -1);
    void ShowWholePiece();
    void ShowOneToOne();
    double PxPerSecond() const { return pxPerSecond_; }
    double RowPx() const { return rowPx_; }
    // The seconds the picture spans: the end of the piece or of its last note.
    double LastSeconds() const { return lastSeconds_; }

    // Viewport coordinates.
    double XOf(double seconds) const;
    double SecondsAt(double x) const;
    double RowTop(int note) const;
    int NoteAt(double y) const;  // -1 outside the rows
    int LowNote() const { return lowNote_; }
    int HighNote() const { return highNote_; }

    // The play-head; while playing it is kept about a third from the left.
    void SetPlayHead(double seconds, bool playing);
    double PlayHeadSeconds() const { return playHeadSeconds_; }
    // Scrolls so that the moment stands a third from the left.
    void ScrollToSeconds(double seconds);
    // The notes (indices into the arrangement) that overlap the view, in
    // time and in pitch.
    std::vector<std::int32_t> NotesInView() const;
    // The topmost note drawn at a viewport point; -1 for none.
    std::int32_t NoteUnder(QPointF point) const;

    const TimeGrid& Grid() const { return grid_; }
    QWidget* NoteRulerWidget() const;
    QWidget* BarRulerWidget() const;

signals:
    // A click (not a drag) on the picture, at that moment of the piece.
    void MomentClicked(double seconds);
    void ScaleChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    double ContentWidth() const;
    double ContentHeight() const;
    double FitPxPerSecond() const;
    double MaxPxPerSecond() const;
    void SetScale(double pxPerSecond, double rowPx);
    void UpdateScrollBars();
    void PlaceRulers();
    void PaintRows(QPainter& painter) const;
    void PaintGrid(QPainter& painter) const;
    void PaintNotes(QPainter& painter) const;

    const Arrangement* arrangement_ = nullptr;
    NoteIndex index_;
    TimeGrid grid_;
    NoteRuler* noteRuler_ = nullptr;
    BarRuler* barRuler_ = nullptr;
    double lastSeconds_ = 1;
    int lowNote_ = 60;
    int highNote_ = 71;
    double pxPerSecond_ = kPxPerSecond;
    double rowPx_ = kRowPx;
    double playHeadSeconds_ = 0;
    QPoint pressAt_;
    QPoint pressScroll_;
    bool pressed_ = false;
    bool dragged_ = false;
};

}  // namespace tonvell::app
