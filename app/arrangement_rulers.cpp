// SPDX-License-Identifier: MIT
#include "app/arrangement_rulers.h"

#include <QPainter>

#include "app/arrangement_colour.h"
#include "app/arrangement_view.h"
#include "output/arrangement_picture.h"

namespace tonvell::app {

namespace {

constexpr QRgb kRulerBackground = 0xFFF4F4F4;
constexpr QRgb kRulerEdge = 0xFFB4B4B4;
constexpr QRgb kPlayHead = 0xFFD00000;

QFont LabelFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    return font;
}

}  // namespace

NoteRuler::NoteRuler(const ArrangementView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setObjectName(QStringLiteral("noteRuler"));
}

// Every C with its octave; every note's name once the rows are tall enough.
void NoteRuler::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgba(kRulerBackground));
    painter.setPen(QColor::fromRgba(kRulerEdge));
    painter.drawLine(width() - 1, 0, width() - 1, height());
    painter.setFont(LabelFont());
    const double rowPx = view_.RowPx();
    const bool every = rowPx >= 11;
    for (int note = view_.LowNote(); note <= view_.HighNote(); ++note) {
        if (!every && note % 12 != 0) {
            continue;
        }
        const double bottom = view_.RowTop(note) + rowPx;
        if (bottom < 0 || bottom - 12 > height()) {
            continue;
        }
        painter.setPen(note % 12 == 0 ? ColourOf(kLabelColour) : QColor::fromRgba(kRulerEdge));
        painter.drawText(QRectF(0, bottom - 12, width() - 6, 12), Qt::AlignRight | Qt::AlignBottom,
                         QString::fromStdString(NoteName(note)));
        if (note % 12 == 0) {
            painter.setPen(QColor::fromRgba(kRulerEdge));
            painter.drawLine(QPointF(width() - 5, bottom), QPointF(width(), bottom));
        }
    }
}

BarRuler::BarRuler(const ArrangementView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setObjectName(QStringLiteral("barRuler"));
}

// Bar numbers (or the clock) at the lines the picture draws, and the play-head.
void BarRuler::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgba(kRulerBackground));
    painter.setPen(QColor::fromRgba(kRulerEdge));
    painter.drawLine(0, height() - 1, width(), height() - 1);
    painter.setFont(LabelFont());
    const double from = view_.SecondsAt(-40);
    const double to = view_.SecondsAt(width());
    double lastLabelEnd = -1e9;
    view_.Grid().Visit(from, to, view_.PxPerSecond(), [&](const TimeGrid::Line& line) {
        const double x = view_.XOf(line.seconds);
        painter.setPen(QColor::fromRgba(kRulerEdge));
        painter.drawLine(QPointF(x, line.strong ? height() - 8 : height() - 4),
                         QPointF(x, height()));
        if (!line.label.empty() && x + 2 > lastLabelEnd) {
            const QString text = QString::fromStdString(line.label);
            painter.setPen(ColourOf(kLabelColour));
            painter.drawText(QPointF(x + 2, height() - 6), text);
            lastLabelEnd = x + 2 + painter.fontMetrics().horizontalAdvance(text) + 4;
        }
    });
    const double head = view_.XOf(view_.PlayHeadSeconds());
    if (head >= -8 && head <= width() + 8) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgba(kPlayHead));
        const QPointF tip[] = {{head - 5, 0}, {head + 5, 0}, {head, 8}};
        painter.drawPolygon(tip, 3);
    }
}

}  // namespace tonvell::app
