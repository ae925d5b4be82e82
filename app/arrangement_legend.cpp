// SPDX-License-Identifier: MIT
#include "app/arrangement_legend.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <functional>

#include "app/arrangement_colour.h"
#include "output/arrangement_picture.h"

namespace tonvell::app {

namespace {

constexpr int kSwatchWidth = 24;
constexpr int kSwatchHeight = 12;

QPixmap Swatch(int width, const std::function<void(QPainter&, QRectF)>& draw) {
    const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1;
    QPixmap pixmap(QSize(width, kSwatchHeight) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    draw(painter, QRectF(0.5, 1.5, width - 1, kSwatchHeight - 3));
    return pixmap;
}

// The six voices' colours side by side, at the given opacity.
QPixmap VoiceStrip(double opacity) {
    return Swatch(kSwatchWidth * 2, [opacity](QPainter& p, QRectF r) {
        const double cell = r.width() / zum::kVoiceCount;
        for (int v = 0; v < zum::kVoiceCount; ++v) {
            p.fillRect(QRectF(r.left() + v * cell, r.top(), cell, r.height()),
                       ColourOf(VoiceColour(v), opacity));
        }
    });
}

QPixmap Outline(Rgb colour, bool dashed) {
    return Swatch(kSwatchWidth, [colour, dashed](QPainter& p, QRectF r) {
        QPen pen(ColourOf(colour), 1);
        if (dashed) {
            pen.setDashPattern({3, 2});
        }
        p.setPen(pen);
        p.drawRect(r.adjusted(0, 0, -1, 0));
    });
}

QPixmap CutMark() {
    return Swatch(kSwatchWidth, [](QPainter& p, QRectF r) {
        p.fillRect(QRectF(r.left(), r.top() + 1, r.width() / 2, r.height() - 2),
                   ColourOf(VoiceColour(0)));
        p.fillRect(QRectF(r.center().x(), r.top() + 1, r.width() / 2, r.height() - 2),
                   ColourOf(VoiceColour(0), kLostPartOpacity));
        p.setPen(QPen(ColourOf(kCutMarkColour), 1.5));
        p.drawLine(QPointF(r.center().x(), r.top() - 1), QPointF(r.center().x(), r.bottom() + 1));
    });
}

}  // namespace

ArrangementLegend::ArrangementLegend(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("arrangementLegend"));
    // The voices on one row, the ways a note is drawn besides a plain bar on
    // the next.
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* voices = new QHBoxLayout;
    auto* styles = new QHBoxLayout;
    for (QHBoxLayout* row : {voices, styles}) {
        row->setSpacing(4);
        rows->addLayout(row);
    }
    QHBoxLayout* layout = voices;
    const auto add = [&](const QPixmap& swatch, const QString& text) {
        auto* picture = new QLabel;
        picture->setPixmap(swatch);
        auto* caption = new QLabel(text);
        caption->setObjectName(QStringLiteral("legendEntry"));
        picture->setParent(this);
        caption->setParent(this);
        layout->addWidget(picture);
        layout->addWidget(caption);
        layout->addSpacing(8);
    };
    for (int v = 0; v < zum::kVoiceCount; ++v) {
        const Rgb colour = VoiceColour(v);
        add(Swatch(kSwatchHeight + 4,
                   [colour](QPainter& p, QRectF r) { p.fillRect(r, ColourOf(colour)); }),
            tr("voice %1").arg(v));
    }
    voices->addStretch(1);
    layout = styles;
    add(VoiceStrip(kLostPartOpacity), tr("lost part"));
    add(CutMark(), tr("voice taken by another note"));
    add(Outline(VoiceColour(0), false), tr("never sounds: voice taken at once"));
    add(Outline(kSilentColour, true), tr("never sounds: channels 10–16"));
    layout->addStretch(1);
}

QStringList ArrangementLegend::Entries() const {
    QStringList texts;
    for (const QLabel* label :
         findChildren<QLabel*>(QStringLiteral("legendEntry"), Qt::FindDirectChildrenOnly)) {
        texts << label->text();
    }
    return texts;
}

}  // namespace tonvell::app
