// SPDX-License-Identifier: MIT
#pragma once
// A group box drawn with its caption on the top line of its frame, so that
// controls placed 16 pixels below its top sit inside the frame, as the
// window's fixed layout expects. Styles that draw the caption above the frame
// would run the frame line through them.

#include <QGroupBox>

namespace tonvell::app {

class CaptionedGroupBox : public QGroupBox {
    Q_OBJECT
public:
    CaptionedGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}
    // Where the caption is drawn.
    QRect CaptionRect() const;
    // The frame's outline, below the caption's middle.
    QRect FrameRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tonvell::app
