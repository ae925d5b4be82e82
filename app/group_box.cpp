// SPDX-License-Identifier: MIT
#include "app/group_box.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>

namespace tonvell::app {

namespace {

constexpr int kCaptionLeft = 8;
constexpr int kCaptionPadding = 2;

}  // namespace

QRect CaptionedGroupBox::CaptionRect() const {
    const QFontMetrics metrics(font());
    return {kCaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionPadding,
            metrics.height()};
}

QRect CaptionedGroupBox::FrameRect() const {
    return rect().adjusted(0, QFontMetrics(font()).height() / 2, 0, 0);
}

void CaptionedGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // An etched line; styles' own group frames leave room for a caption
    // above them, which this layout has no room for.
    qDrawShadeRect(&painter, FrameRect(), palette(), true, 1, 0);
    const QRect caption = CaptionRect();
    painter.fillRect(caption, palette().brush(QPalette::Window));
    style()->drawItemText(&painter, caption.adjusted(kCaptionPadding, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

}  // namespace tonvell::app
