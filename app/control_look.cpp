// SPDX-License-Identifier: MIT
#include "app/control_look.h"

#include <QFontMetrics>
#include <QLabel>

namespace tonvell::app {

void MakeFlat(QPlainTextEdit* memo) {
    memo->setFrameShape(QFrame::NoFrame);
    QPalette palette = memo->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Window));
    }
    memo->setPalette(palette);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->document()->setDocumentMargin(1);
}

void FitCaption(QLabel* label) {
    QFont font = label->font();
    const QString text = label->text();
    for (int step = 0; step < 10; ++step) {
        if (QFontMetrics(font).horizontalAdvance(text) <= label->width()) {
            break;
        }
        font.setLetterSpacing(QFont::AbsoluteSpacing, -0.05 * (step + 1));
    }
    label->setFont(font);
}

void FitWidestLine(QPlainTextEdit* box) {
    QFont font = box->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    const qreal room = box->viewport()->width() - 2 * box->document()->documentMargin();
    QString widest;
    for (const QString& line : box->toPlainText().split(QLatin1Char('\n'))) {
        if (QFontMetrics(font).horizontalAdvance(line) >
            QFontMetrics(font).horizontalAdvance(widest)) {
            widest = line;
        }
    }
    for (int step = 1; step <= 12 && QFontMetricsF(font).horizontalAdvance(widest) > room; ++step) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, -0.1 * step);
    }
    box->setFont(font);
}

}  // namespace tonvell::app
