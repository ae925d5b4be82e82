// SPDX-License-Identifier: MIT
#pragma once
// The picture's colours as Qt paints them.

#include <QColor>

#include "output/arrangement_picture.h"

namespace tonvell::app {

inline QColor ColourOf(Rgb rgb, double opacity = 1) {
    QColor c(static_cast<QRgb>(rgb));
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

}  // namespace tonvell::app
