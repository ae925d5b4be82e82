// SPDX-License-Identifier: MIT
#include "app/transport_view.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "convert/zum_protocol.h"
#include "output/arrangement_picture.h"

namespace tonvell::app {

namespace {

constexpr int kLampSize = 10;
constexpr int kLampPitch = 34;  // a lamp and its note name, "C#5" included
constexpr int kLineHeight = 14;

QColor FromRgb(Rgb rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

}  // namespace

QString MinutesAndSeconds(double seconds) {
    const auto whole = static_cast<long long>(std::floor(std::max(0.0, seconds)));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

TransportView::TransportView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TransportView"));
    Describe();
}

void TransportView::SetTimes(double elapsedSeconds, double totalSeconds) {
    if (elapsedSeconds == elapsed_ && totalSeconds == total_) {
        return;
    }
    elapsed_ = elapsedSeconds;
    total_ = totalSeconds;
    Describe();
    update();
}

void TransportView::SetBar(int bar) {
    if (bar == bar_) {
        return;
    }
    bar_ = bar;
    Describe();
    update();
}

void TransportView::SetVoices(const std::array<std::uint8_t, kVoices>& notes) {
    if (notes == notes_) {
        return;
    }
    notes_ = notes;
    Describe();
    update();
}

QString TransportView::TimeText() const {
    return MinutesAndSeconds(elapsed_) + QStringLiteral(" / ") + MinutesAndSeconds(total_);
}

QString TransportView::BarText() const {
    return bar_ > 0 ? tr("bar %1").arg(bar_) : QString();
}

QString TransportView::VoiceText(int voice) const {
    const std::uint8_t note = notes_[static_cast<std::size_t>(voice)];
    return note == 0 ? QString() : QString::fromStdString(NoteName(zum::NoteKey(note)));
}

QSize TransportView::sizeHint() const {
    return {kVoices * kLampPitch, 3 * kLineHeight};
}

// What the lamps show, for screen readers and the tooltip.
void TransportView::Describe() {
    QStringList voices;
    for (int v = 0; v < kVoices; ++v) {
        const QString note = VoiceText(v);
        voices << tr("voice %1: %2").arg(v).arg(note.isEmpty() ? tr("silent") : note);
    }
    const QString text = TimeText() + (bar_ > 0 ? QStringLiteral(", ") + BarText() : QString()) +
                         u'\n' + voices.join(u'\n');
    setToolTip(text);
    setAccessibleDescription(text);
}

void TransportView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    painter.setPen(colours.color(QPalette::WindowText));
    const QRect top(0, 0, width(), kLineHeight);
    painter.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, TimeText());
    painter.drawText(top, Qt::AlignRight | Qt::AlignVCenter, BarText());
    for (int v = 0; v < kVoices; ++v) {
        const QColor colour = FromRgb(VoiceColour(v));
        const int x = v * kLampPitch;
        const QRectF lamp(x + 1.5, kLineHeight + 2.5, kLampSize, kLampSize);
        const QString note = VoiceText(v);
        // Unlit: the voice's colour as a ring only, so a lamp that is off
        // is told from one that is on without telling colours apart.
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(note.isEmpty() ? Qt::NoBrush : QBrush(colour));
        painter.drawEllipse(lamp);
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(QRect(x, 2 * kLineHeight + 1, kLampPitch, kLineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, note);
    }
}

}  // namespace tonvell::app
