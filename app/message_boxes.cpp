// SPDX-License-Identifier: MIT
#include "app/message_boxes.h"

#include <QMessageBox>

namespace tonvell::app {

namespace {

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    // File names and listing text are never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void QtMessageBoxes::Message(const QString& title, const QString& text) {
    Show(parent_, QMessageBox::NoIcon, title, text);
}

void QtMessageBoxes::Error(const QString& title, const QString& text) {
    Show(parent_, QMessageBox::Critical, title, text);
}

QMessageBox::StandardButton QtMessageBoxes::Question(const QString& title, const QString& text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton byDefault) {
    QMessageBox box(QMessageBox::Question, title, text, buttons, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(byDefault);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace tonvell::app
