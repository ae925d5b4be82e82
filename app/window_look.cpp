// SPDX-License-Identifier: MIT
#include "app/window_look.h"

#include <algorithm>
#include <cmath>

namespace tonvell::app {

namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) +
           0.0722 * Linear(rgb.blueF());
}

QColor Mix(const QColor& from, const QColor& to, double share) {
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * share),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * share),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * share));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableGrey(const QColor& grey, const QColor& text, const QColor& background) {
    // A 1 % step: the least change that reaches the contrast.
    constexpr int kSteps = 100;
    for (int step = 0; step <= kSteps; ++step) {
        // Measured as drawn: in 8 bits a channel, whose rounding can take a
        // mix just over the contrast to just under it.
        const QColor mixed(Mix(grey, text, static_cast<double>(step) / kSteps).rgb());
        if (ContrastRatio(mixed, background) >= kReadableContrast) {
            return mixed;
        }
    }
    // A palette whose own text is too faint: black or white, whichever reads.
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background)
               ? QColor(Qt::black)
               : QColor(Qt::white);
}

QPalette WithReadableDisabledText(QPalette palette) {
    struct Pair {
        QPalette::ColorRole text;
        QPalette::ColorRole background;
    };
    for (const Pair pair :
         {Pair{QPalette::WindowText, QPalette::Window},
          Pair{QPalette::ButtonText, QPalette::Button}, Pair{QPalette::Text, QPalette::Base}}) {
        palette.setColor(QPalette::Disabled, pair.text,
                         ReadableGrey(palette.color(QPalette::Disabled, pair.text),
                                      palette.color(QPalette::Active, pair.text),
                                      palette.color(QPalette::Disabled, pair.background)));
    }
    return palette;
}

QRect PlaceOnScreen(QSize client, const QRect& area, int titleBar) {
    const int centredLeft = area.left() + (area.width() - client.width()) / 2;
    const int centredTop = area.top() + (area.height() - client.height()) / 2;
    const int left = std::max(area.left(), centredLeft);
    const int top = std::max(area.top() + titleBar, centredTop);
    return {QPoint(left, top), client};
}

}  // namespace tonvell::app
